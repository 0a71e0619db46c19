#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace platform {

bool FileExists(const std::string& path);
bool IsDirectory(const std::string& path);
bool IsRegularFile(const std::string& path);

// "Read-only" means the owner lacks write permission; clearing it adds u+w.
bool IsReadOnly(const std::string& path);
bool ClearReadOnly(const std::string& path);

// True when `path` exists and this process may not write it (permissions, read-only attribute), so a
// writer must leave it alone rather than replace it.
bool IsWriteProtected(const std::string& path);

// True when the file at `path` has more than one name (hard links): it is written in place, so the
// names stay one file.
bool HasOtherLinks(const std::string& path);

// True when this process may create files in `folder` (an existing directory).
bool CanWriteInFolder(const std::string& folder);

// Regular files in `folder` whose name matches `pattern` ("*.ini", "*.BIN", "*" or an exact name);
// the extension is matched ignoring ASCII case. Names only, sorted by their ASCII upper-case form.
std::vector<std::string> FindFiles(const std::string& folder, const std::string& pattern);

// Creates every missing directory of `path` from the outermost inwards.
bool CreateDirectories(const std::string& path);

// The current working directory, without a trailing separator ("" when it cannot be read).
std::string CurrentDirectory();

// The folder part of a path, with its trailing separator ('/'; on Windows '\\' or '/'); "" when the
// path has none.
std::string FolderOf(const std::string& path);

// Whole-file helpers. ReadWholeFile gives nullopt when the file cannot be read.
std::optional<std::vector<uint8_t>> ReadWholeFile(const std::string& path);
bool WriteWholeFile(const std::string& path, const void* data, size_t size);

} // namespace platform
