#include "tests/support/TempDir.h"

#include "platform/ProgramFolder.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace testsupport {

TempDir::TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "quillix-test-XXXXXX").string();
    if (!mkdtemp(pattern.data()))
        throw std::runtime_error("mkdtemp failed");
    m_path = pattern + "/";
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
    std::ofstream out(File(name), std::ios::binary | std::ios::trunc);
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

std::string ReadFileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

} // namespace testsupport
