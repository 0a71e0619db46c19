#pragma once

// quillix-image: the command line, parsed with CLI11, and its six commands. Returns the exit status:
// 0 success, 1 `diff` found differences, 2 a usage error, otherwise the status of the result code
// (ExitStatusForResult).
int RunImageTool(int argc, const char* const* argv);
