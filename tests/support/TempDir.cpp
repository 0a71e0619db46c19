#include "tests/support/TempDir.h"

#include "platform/ProgramFolder.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>

namespace testsupport {

namespace {

// A file name as the tool holds it (UTF-8) in the form the system's file calls take: on Windows a
// narrow name would be read in the ANSI code page.
std::filesystem::path SystemPath(const std::string& utf8) {
#ifdef _WIN32
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
#else
    return utf8;
#endif
}

} // namespace

TempDir::TempDir() {
    // A new folder of a random name; create_directory is false when the name is taken already.
    std::random_device random;
    std::filesystem::path base = std::filesystem::temp_directory_path();
    for (int attempt = 0; attempt < 100 && m_path.empty(); ++attempt) {
        std::filesystem::path candidate = base / ("quillix-test-" + std::to_string(random()));
        if (std::filesystem::create_directory(candidate))
            m_path = candidate.string() + platform::kPathSeparator;
    }
    if (m_path.empty())
        throw std::runtime_error("cannot create a temporary folder in " + base.string());
}

TempDir::~TempDir() {
    std::error_code ec;
    // Make everything removable again, whatever a test did to permissions.
    for (auto it = std::filesystem::recursive_directory_iterator(m_path, ec);
         !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec))
        std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ec);
    std::filesystem::remove_all(m_path, ec);
}

void TempDir::Write(const std::string& name, const std::string& content) const {
    std::ofstream out(SystemPath(File(name)), std::ios::binary | std::ios::trunc);
    out << content;
}

void TempDir::Write(const std::string& name, const std::vector<uint8_t>& content) const {
    Write(name, std::string(content.begin(), content.end()));
}

std::string TempDir::Read(const std::string& name) const {
    return ReadFileBytes(File(name));
}

TempProgramFolder::TempProgramFolder() {
    platform::SetProgramFolderOverride(Path());
}

TempProgramFolder::~TempProgramFolder() {
    platform::SetProgramFolderOverride("");
}

WorkingDirectory::WorkingDirectory(const std::string& folder)
    : m_saved(std::filesystem::current_path().string()) {
    std::filesystem::current_path(folder);
}

WorkingDirectory::~WorkingDirectory() {
    std::error_code ec;
    std::filesystem::current_path(m_saved, ec);
}

std::string PlatformText(const std::string& lf) {
#ifdef _WIN32
    std::string text;
    text.reserve(lf.size() * 2);
    for (char c : lf) {
        if (c == '\n')
            text += '\r';
        text += c;
    }
    return text;
#else
    return lf;
#endif
}

std::string ReadFileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

std::string CopyInto(const std::string& source, const std::string& folder) {
    std::string copy = folder + std::filesystem::path(source).filename().string();
    std::filesystem::copy_file(source, copy, std::filesystem::copy_options::overwrite_existing);
    return copy;
}

} // namespace testsupport
