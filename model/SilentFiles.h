#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// File output of the command-line dumps (-r, -t).

// A relative path taken from the current working directory; an absolute one as it is.
std::string AbsoluteOutputPath(std::string path);

// Makes a relative path absolute against the current working directory and creates every missing
// folder of it, outermost first. When a folder cannot be created, prints
// "Create Directory (<folder>) : Failed !" on standard error and returns false; the path is then left
// as made absolute.
bool PrepareOutputPath(std::string& path);

// The text dump of an image: every byte as two upper-case hexadecimal digits and a blank, CR LF after
// every sixteenth byte when more bytes follow, nothing after the last one.
std::string FormatTextDump(const uint8_t* data, size_t size);

// Write the image raw or as a text dump. False without touching any file when the path is empty, the
// data is null or the size is 0, and false when the file cannot be written completely.
//
// A regular file (a symbolic link is followed to it) or a new file is written to a temporary file
// beside it, which replaces it only once complete, so a failure leaves no partial file and keeps an
// existing file as it was. Anything else (a device, a pipe) and a folder that cannot take the
// temporary file are written directly.
bool WriteBinFile(const std::string& path, size_t size, const uint8_t* data);
bool WriteTxtFile(const std::string& path, size_t size, const uint8_t* data);

enum class DumpFormat { kBinary, kText };

// Prepares the path and writes the dump in the given format. False when a folder could not be created
// or the file could not be written; the caller then reports IDS_SAVE_FILE_DATA_FAIL.
bool SaveSilentDump(std::string path, DumpFormat format, const uint8_t* data, size_t size);
