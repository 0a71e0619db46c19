#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace testsupport {

// A fresh temporary folder, removed with everything in it on destruction.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    // Path with a trailing '/'.
    const std::string& Path() const { return m_path; }
    std::string File(const std::string& name) const { return m_path + name; }

    void Write(const std::string& name, const std::string& content) const;
    void Write(const std::string& name, const std::vector<uint8_t>& content) const;
    std::string Read(const std::string& name) const;

private:
    std::string m_path;
};

// A temporary folder that the tool takes as its program folder while the object lives.
class TempProgramFolder : public TempDir {
public:
    TempProgramFolder();
    ~TempProgramFolder();
};

// Makes `folder` the working directory while the object lives.
class WorkingDirectory {
public:
    explicit WorkingDirectory(const std::string& folder);
    ~WorkingDirectory();
    WorkingDirectory(const WorkingDirectory&) = delete;
    WorkingDirectory& operator=(const WorkingDirectory&) = delete;

private:
    std::string m_saved;
};

// `lf` (text with LF line ends only) as the tool writes it to an INI file or to its text-mode standard
// output: every LF becomes CR LF on Windows; unchanged elsewhere.
std::string PlatformText(const std::string& lf);

// Bytes of a file, or an empty string when it cannot be read.
std::string ReadFileBytes(const std::string& path);

// Copies the file `source` into `folder` (a path ending with a separator) under its own name, so an
// executable keeps its ".exe"; returns the copy's path.
std::string CopyInto(const std::string& source, const std::string& folder);

} // namespace testsupport
