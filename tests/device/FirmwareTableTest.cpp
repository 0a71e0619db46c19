#include "device/FirmwareTable.h"

#include <gtest/gtest.h>

namespace {

CIniFile Table(const std::vector<std::pair<unsigned, std::string>>& sections, MemoryKind kind = FLASH) {
    CIniFile config;
    for (const auto& [index, entries] : sections) {
        std::string name = FirmwareTable::SectionName(kind, index);
        size_t start = 0;
        while (start < entries.size()) {
            size_t end = entries.find(';', start);
            std::string entry =
                entries.substr(start, end == std::string::npos ? std::string::npos : end - start);
            size_t eq = entry.find('=');
            config.SetEntry(name, entry.substr(0, eq), entry.substr(eq + 1));
            start = end == std::string::npos ? entries.size() : end + 1;
        }
    }
    return config;
}

} // namespace

TEST(FirmwareTable, SectionNamesCarryTheKindTag) {
    EXPECT_EQ(FirmwareTable::SectionName(EFUSE, 0), "ReaderEfuse_FWInfo_00");
    EXPECT_EQ(FirmwareTable::SectionName(FLASH, 10), "ReaderFF_FWInfo_0A");
    EXPECT_EQ(FirmwareTable::SectionName(EEPROM, 15), "ReaderEE_FWInfo_0F");
    EXPECT_EQ(FirmwareTable::SectionName(SERIALFLASH, 1), "ReaderSF_FWInfo_01");
}

TEST(FirmwareTable, FindFwFileByWholeFirmwareKey) {
    CIniFile config = Table({{0, "Rom FwVersion=0;FWFile=zero.bin"},
                             {2, "Rom FwVersion=0x84120003;FWFile=a.bin;FWInfo=first"},
                             {5, "Rom FwVersion=0x84120003;FWFile=b.bin;FWInfo=second"},
                             {16, "Rom FwVersion=0x11112222;FWFile=never.bin"}});
    FirmwareTable table(config, FLASH);
    struct Case {
        uint32_t key;
        bool found;
        const char* file;
    } cases[] = {
        {0x84120003, true, "a.bin"}, // two matches: the lower index
        {0, false, ""},              // a zero "Rom FwVersion" never matches
        {0x11112222, false, ""},     // index 16 is never read
        {0x84120004, false, ""},
    };
    for (const Case& c : cases) {
        FirmwareTable::Choice choice{"unchanged", "unchanged"};
        EXPECT_EQ(table.FindFwFile(c.key, choice), c.found) << std::hex << c.key;
        EXPECT_EQ(choice.strFile, c.found ? c.file : "unchanged");
    }
    FirmwareTable::Choice choice;
    EXPECT_FALSE(FirmwareTable(config, EEPROM).FindFwFile(0x84120003, choice))
        << "another memory kind reads other sections";
}

TEST(FirmwareTable, RomVersionsAndIds) {
    CIniFile none = Table({{0, "Check VID=0x2C7A;Check PID=0x0105;Rom FwVersion=0x10000"}});
    EXPECT_FALSE(FirmwareTable(none, FLASH).FwTableHasRomVersions()) << "only the low 16 bits count";
    CIniFile some =
        Table({{0, "Check VID=0x2C7A;Check PID=0x0105"}, {3, "Rom SubVersion=2;Rom VID=1;Rom PID=2"}});
    FirmwareTable table(some, FLASH);
    EXPECT_TRUE(table.FwTableHasRomVersions());
    EXPECT_TRUE(table.FwTableMatchesIds(0x2C7A, 0x0105));
    EXPECT_TRUE(table.FwTableMatchesIds(1, 2));
    EXPECT_FALSE(table.FwTableMatchesIds(0x2C7A, 2));
    EXPECT_FALSE(FirmwareTable(Table({{0, "FWFile=x"}}), FLASH).FwTableMatchesIds(0, 0))
        << "a zero identity never matches, even a section without identities";
}

TEST(FirmwareTable, SelectByVersionRules) {
    CIniFile config = Table({{0, "FWFile=all-zero.bin"},
                             {1, "Rom IcVersion=0x8400;Rom SubVersion=3;FWFile=ic84-sub3.bin;FWInfo=A"},
                             {2, "Rom FwVersion=0x8412;FWFile=exact.bin;FWInfo=B"},
                             {3, "Check IcVersion=0x8400;FWFile=check.bin;FWInfo=C"}});
    FirmwareTable table(config, FLASH);
    struct Case {
        bool rom;
        uint16_t fw, sub;
        bool found;
        const char* file;
        const char* info;
    } cases[] = {
        {true, 0x8499, 3, true, "ic84-sub3.bin", "A"}, // the high byte of IcVersion only
        {true, 0x8412, 4, true, "exact.bin", "B"},     // section 1's sub-version differs
        {true, 0x8412, 3, true, "ic84-sub3.bin", "A"}, // both match: the lower index
        {true, 0x8500, 3, false, "", "N/A"},           {false, 0x84FF, 0, true, "check.bin", "C"},
        {false, 0x8300, 0, false, "", "N/A"},
    };
    for (const Case& c : cases) {
        FirmwareTable::Choice choice{"old", "old"};
        bool found =
            c.rom ? table.SelectFwByRom(c.fw, c.sub, choice) : table.SelectFwByCheck(c.fw, c.sub, choice);
        EXPECT_EQ(found, c.found) << std::hex << c.fw << " " << c.sub;
        EXPECT_EQ(choice.strFile, c.file);
        EXPECT_EQ(choice.strInfo, c.info);
    }
}
