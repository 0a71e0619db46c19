#include "model/IniFile.h"

#include "platform/FileSystem.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <sstream>
#include <vector>

#ifdef _WIN32
#include "platform/win/FileReplace.h"
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

// INI files are text files of the platform: CR LF on Windows, LF elsewhere.
#ifdef _WIN32
constexpr char kLineEnd[] = "\r\n";
#else
constexpr char kLineEnd[] = "\n";
#endif

// Printable in the C locale (0x20-0x7E); bytes of 0x80 and above also pass, so UTF-8 and
// Windows-1252 text reads.
bool IsAcceptedFirstByte(unsigned char byte) {
    return (byte >= 0x20 && byte <= 0x7E) || byte >= 0x80;
}

// strtoul with base 0 as a 32-bit C library has it: a leading sign negates in unsigned arithmetic,
// and a magnitude that does not fit into 32 bits gives all bits set.
uint32_t StrToUl32(const std::string& text) {
    size_t pos = 0;
    while (pos < text.size() && std::isspace(static_cast<unsigned char>(text[pos])))
        ++pos;
    bool negative = false;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
        negative = text[pos] == '-';
        ++pos;
    }
    if (pos >= text.size() || !std::isdigit(static_cast<unsigned char>(text[pos])))
        return 0;
    errno = 0;
    unsigned long long magnitude = std::strtoull(text.c_str() + pos, nullptr, 0);
    if (errno == ERANGE || magnitude > UINT32_MAX)
        return UINT32_MAX;
    uint32_t value = static_cast<uint32_t>(magnitude);
    return negative ? static_cast<uint32_t>(0u - value) : value;
}

#ifndef _WIN32
// Writes `content` to `path` directly, truncating it.
bool WriteInPlace(const std::string& path, const std::string& content) {
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file)
        return false;
    bool ok = content.empty() || std::fwrite(content.data(), 1, content.size(), file) == content.size();
    ok = std::fflush(file) == 0 && ok;
    ok = std::fclose(file) == 0 && ok;
    return ok;
}

// Writes a temporary file beside `target` and renames it over the target, so a failed write never
// damages the old file. Returns false with the old file untouched when any step fails; `tried` tells
// whether the temporary file could be created at all.
bool WriteByRename(const std::string& target, const std::string& content, bool& tried) {
    tried = false;
    struct stat old;
    bool exists = stat(target.c_str(), &old) == 0;
    size_t slash = target.rfind('/');
    std::string folder = slash == std::string::npos ? std::string("./") : target.substr(0, slash + 1);
    std::string temp = folder + ".quillix-ini-XXXXXX";
    int fd = mkstemp(temp.data());
    if (fd < 0)
        return false;
    tried = true;
    bool ok = true;
    if (exists) {
        ok = fchmod(fd, old.st_mode & 07777) == 0;
        if (ok && fchown(fd, old.st_uid, old.st_gid) != 0 && errno != EPERM)
            ok = false;
    } else {
        mode_t mask = umask(0);
        umask(mask);
        ok = fchmod(fd, 0666 & ~mask) == 0;
    }
    size_t written = 0;
    while (ok && written < content.size()) {
        ssize_t n = write(fd, content.data() + written, content.size() - written);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            ok = false;
        else
            written += static_cast<size_t>(n);
    }
    ok = ok && fsync(fd) == 0;
    ok = close(fd) == 0 && ok;
    ok = ok && rename(temp.c_str(), target.c_str()) == 0;
    if (!ok)
        unlink(temp.c_str());
    return ok;
}
#endif

} // namespace

CIniFile::CIniFile(std::string path) : m_strPath(std::move(path)) {}

std::string CIniFile::FoldCase(const std::string& name) const {
    if (!m_bCaseInsensitive)
        return name;
    std::string folded = name;
    for (char& c : folded)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return folded;
}

void CIniFile::Clear() {
    m_Sections.clear();
    m_SectionNames.clear();
    m_HeaderComments.clear();
    m_SectionIndex.clear();
}

int CIniFile::FindSection(const std::string& section) const {
    auto found = m_SectionIndex.find(FoldCase(section));
    return found == m_SectionIndex.end() ? INI_NOT_FOUND : found->second;
}

int CIniFile::FindEntry(int section, const std::string& entry) const {
    if (section < 0 || section >= SectionCount())
        return INI_NOT_FOUND;
    const auto& index = m_Sections[static_cast<size_t>(section)].index;
    auto found = index.find(FoldCase(entry));
    return found == index.end() ? INI_NOT_FOUND : found->second;
}

int CIniFile::AddSection(const std::string& section) {
    m_Sections.emplace_back();
    m_SectionNames.push_back(section);
    int added = SectionCount() - 1;
    // A repeated name keeps pointing at the first section of that name.
    m_SectionIndex.emplace(FoldCase(section), added);
    return added;
}

bool CIniFile::SetEntry(const std::string& section, const std::string& entry, const std::string& value,
                        bool create) {
    int s = FindSection(section);
    if (s == INI_NOT_FOUND) {
        if (!create)
            return false;
        s = AddSection(section);
    }
    int e = FindEntry(s, entry);
    IniSection& target = m_Sections[static_cast<size_t>(s)];
    if (e == INI_NOT_FOUND) {
        if (!create)
            return false;
        target.index.emplace(FoldCase(entry), static_cast<int>(target.names.size()));
        target.names.push_back(entry);
        target.values.push_back(value);
    } else {
        target.values[static_cast<size_t>(e)] = value;
    }
    return true;
}

std::string CIniFile::GetString(const std::string& section, const std::string& entry,
                                const std::string& def) const {
    return GetString(FindSection(section), entry, def);
}

std::string CIniFile::GetString(int section, const std::string& entry, const std::string& def) const {
    int e = FindEntry(section, entry);
    if (e == INI_NOT_FOUND)
        return def;
    return m_Sections[static_cast<size_t>(section)].values[static_cast<size_t>(e)];
}

uint32_t CIniFile::GetNumber(const std::string& section, const std::string& entry, int32_t def) const {
    return GetNumber(FindSection(section), entry, def);
}

uint32_t CIniFile::GetNumber(int section, const std::string& entry, int32_t def) const {
    return StrToUl32(GetString(section, entry, std::to_string(def)));
}

void CIniFile::AddHeaderComment(const std::string& text) {
    m_HeaderComments.push_back(text);
}

bool CIniFile::AddSectionComment(int section, const std::string& text) {
    if (section < 0 || section >= SectionCount())
        return false;
    m_Sections[static_cast<size_t>(section)].comments.push_back(text);
    return true;
}

bool CIniFile::AddSectionComment(const std::string& section, const std::string& text) {
    int s = FindSection(section);
    return s != INI_NOT_FOUND && AddSectionComment(s, text);
}

bool CIniFile::Load() {
    // Read through the platform layer, which opens a UTF-8 path on every system.
    std::optional<std::vector<uint8_t>> bytes = platform::ReadWholeFile(m_strPath);
    if (!bytes)
        return false;
    std::istringstream in(std::string(bytes->begin(), bytes->end()));
    std::string current;
    std::string line;
    bool first = true;
    while (std::getline(in, line)) {
        if (first && line.compare(0, 3, "\xEF\xBB\xBF") == 0)
            line.erase(0, 3);
        first = false;
        // Every carriage return at the end goes: saved with a line end of its own, one left in a
        // name or value would not read back the same.
        while (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.empty())
            continue;
        unsigned char lead = static_cast<unsigned char>(line[0]);
        if (!IsAcceptedFirstByte(lead)) {
            std::printf("Failing on char %d\n", lead);
            std::fflush(stdout);
            return false;
        }
        size_t mark = line.find_first_of(";#[=");
        if (mark == std::string::npos) {
            SetEntry(current, line, std::string());
        } else if (line[mark] == '[') {
            size_t close = line.rfind(']');
            if (close != std::string::npos && close > mark) {
                current = line.substr(mark + 1, close - mark - 1);
                AddSection(current);
            }
        } else if (line[mark] == '=') {
            SetEntry(current, line.substr(0, mark), line.substr(mark + 1));
        } else {
            std::string comment = line.substr(mark + 1);
            if (m_Sections.empty())
                AddHeaderComment(comment);
            else
                AddSectionComment(current, comment);
        }
    }
    return !m_Sections.empty();
}

std::string CIniFile::Serialize() const {
    std::string out;
    for (const auto& comment : m_HeaderComments)
        out += ";" + comment + kLineEnd;
    if (!m_HeaderComments.empty())
        out += kLineEnd;
    for (size_t s = 0; s < m_Sections.size(); ++s) {
        const IniSection& section = m_Sections[s];
        out += "[" + m_SectionNames[s] + "]" + kLineEnd;
        for (const auto& comment : section.comments)
            out += ";" + comment + kLineEnd;
        for (size_t e = 0; e < section.names.size(); ++e) {
            // A bare name is written without "="; an empty name keeps it, or the line would be empty
            // and read back as nothing, and so does a name ending in a carriage return, which loading
            // would take off a bare name.
            const std::string& name = section.names[e];
            out += name;
            if (!section.values[e].empty() || name.empty() || name.back() == '\r')
                out += "=" + section.values[e];
            out += kLineEnd;
        }
        out += kLineEnd;
    }
    return out;
}

bool CIniFile::MatchesFile() const {
    std::optional<std::vector<uint8_t>> stored = platform::ReadWholeFile(m_strPath);
    const std::string content = Serialize();
    return stored && std::equal(stored->begin(), stored->end(), content.begin(), content.end());
}

bool CIniFile::Save() const {
    std::string content = Serialize();
#ifdef _WIN32
    return platform::win::ReplaceFileContent(m_strPath, content);
#else
    // Work on the file a symbolic link points to, so the link itself survives.
    std::string target = m_strPath;
    if (char* resolved = realpath(m_strPath.c_str(), nullptr)) {
        target = resolved;
        std::free(resolved);
    }
    struct stat st;
    bool exists = stat(target.c_str(), &st) == 0;
    // A file the user may not write is refused, as writing it in place would be.
    if (exists && platform::IsWriteProtected(target))
        return false;
    // A device or a file with other hard links is written in place, so the names stay one file.
    if (exists && (!S_ISREG(st.st_mode) || st.st_nlink > 1))
        return WriteInPlace(target, content);
    bool tried = false;
    if (WriteByRename(target, content, tried))
        return true;
    // Only a folder that refuses the temporary file leads to writing in place.
    return !tried && WriteInPlace(target, content);
#endif
}
