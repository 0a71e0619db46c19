#pragma once

#include "tools/image/ChipContext.h"
#include "tools/image/ImageEdits.h"

#include <cstddef>
#include <string>

// The six commands of quillix-image as plain functions. Each prints its result on standard output and
// one line with the reason on standard error when it fails, and returns the exit status.
inline constexpr int kExitDifferent = 1;
inline constexpr int kExitUsage = 2;

int ShowCommand(const ChipChoice& chip, const std::string& image, bool json);
int CheckCommand(const ChipChoice& chip, const std::string& image);
int SetCommand(const ChipChoice& chip, const std::string& image, const std::string& output,
               const ImageEdits& edits);
int DiffCommand(const ChipChoice& chip, const std::string& a, const std::string& b, bool json);
int EfusePlanCommand(const std::string& current, const std::string& image, const std::string& generation,
                     bool checkInitial, bool json);
int SerialsCommand(const ChipChoice& chip, const std::string& image, const std::string& from, size_t count,
                   const std::string& folder);

// The error line "quillix-image: <reason> (<code>: <message>)" and the exit status of the code.
int Fail(ResultCode code, const std::string& reason);
