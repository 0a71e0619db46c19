#pragma once

#include "model/ProjectTypes.h"

// A POSIX exit status keeps only 8 bits and a shell reads 126-255 as "not executable" or "killed by a
// signal", so each family of result codes maps into 10-99. 0 stays 0; any other code gives 1, so a
// failure never ends with status 0.
int ExitStatusForResult(ResultCode code);
