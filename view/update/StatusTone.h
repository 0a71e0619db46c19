#pragma once

#include <string>

// How a status or result line of the update tools is coloured, so that an operator tells a failed
// reader from a ready one without reading: green finished (or checked), red failed, blue updating, grey
// no reader; anything else plain.
enum class StatusTone { Plain, Finished, Failed, Updating, Absent };

// The tone of a line by what it says. `busy`: a request is running, which shows as updating.
StatusTone ToneOfStatus(const std::string& text, bool busy);
