#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

// One INI file held in memory as ordered lists of byte strings. Names compare ignoring ASCII case;
// values are kept byte for byte, so a value read and saved again is unchanged.
class CIniFile {
public:
    static constexpr int INI_NOT_FOUND = -1;

    struct IniSection {
        std::vector<std::string> names;
        std::vector<std::string> values;
        std::vector<std::string> comments;
        // Case-folded entry name -> index of its first entry, so look-ups do not scan the section.
        std::unordered_map<std::string, int> index;
    };

    explicit CIniFile(std::string path = std::string());
    virtual ~CIniFile() = default;

    void SetPath(const std::string& path) { m_strPath = path; }
    const std::string& GetPath() const { return m_strPath; }

    // Adds the file's content to what the object holds. False when the file cannot be opened, when a
    // line starts with a control byte (the lines before it stay), or when no section exists at the end.
    bool Load();
    // Writes the whole content; the old file stays untouched when writing fails.
    bool Save() const;
    // True when the file already holds exactly what Save would write (so saving can be left out).
    bool MatchesFile() const;
    void Clear();

    int FindSection(const std::string& section) const;
    int FindEntry(int section, const std::string& entry) const;
    int AddSection(const std::string& section);
    bool SetEntry(const std::string& section, const std::string& entry, const std::string& value,
                  bool create = true);

    std::string GetString(const std::string& section, const std::string& entry, const std::string& def) const;
    std::string GetString(int section, const std::string& entry, const std::string& def) const;
    // strtoul with base 0 on the text (or on the default formatted as "%d").
    uint32_t GetNumber(const std::string& section, const std::string& entry, int32_t def) const;
    uint32_t GetNumber(int section, const std::string& entry, int32_t def) const;

    void AddHeaderComment(const std::string& text);
    bool AddSectionComment(int section, const std::string& text);
    bool AddSectionComment(const std::string& section, const std::string& text);

    int SectionCount() const { return static_cast<int>(m_Sections.size()); }
    const std::string& SectionName(int section) const {
        return m_SectionNames.at(static_cast<size_t>(section));
    }
    const IniSection& Section(int section) const { return m_Sections.at(static_cast<size_t>(section)); }
    const std::vector<std::string>& HeaderComments() const { return m_HeaderComments; }

protected:
    std::string FoldCase(const std::string& name) const;
    std::string Serialize() const;

    bool m_bCaseInsensitive = true;
    std::string m_strPath;
    std::vector<IniSection> m_Sections;
    std::vector<std::string> m_SectionNames;
    std::vector<std::string> m_HeaderComments;
    // Case-folded section name -> index of the first section of that name.
    std::unordered_map<std::string, int> m_SectionIndex;
};
