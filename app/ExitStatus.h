#pragma once

#include "model/ProjectTypes.h"

#include <string>

// On Windows the exit code is the whole result code. A POSIX exit status keeps only 8 bits and a shell reads
// 126-255 as "not executable" or "killed by a signal", so each family of result codes maps into 10-99. 0
// stays 0; any other code gives 1, so a failure never ends with status 0.
int ExitStatusForResult(ResultCode code);

// The line printed on standard error when a run ends with a result code other than 0: the full code,
// the exit status it became and the message text on one line.
std::string ResultReport(ResultCode code);
