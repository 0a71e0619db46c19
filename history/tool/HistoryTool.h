#pragma once

#include <string>
#include <vector>

// quillix-history: lists the operation history. Reads by default the database that config.ini in the
// program folder names. Returns the exit status: 0, 1 when the database cannot be read, 2 for a
// command line it does not understand.
int RunHistoryTool(const std::vector<std::string>& args, std::string& out, std::string& err);
