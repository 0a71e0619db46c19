#include "model/IcTypeIni.h"
#include "app/TraceLog.h"
#include "model/ConfigIni.h"
#include "platform/FileSystem.h"
#include "platform/Text.h"
#include "tests/support/ProcessGlobals.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

using testsupport::TempProgramFolder;

namespace {

// A temporary program folder with its own config.ini object, and the process-wide project values put
// back to their start-up state around every test.
class IcTypeIniTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_config = std::make_unique<CIniFile>(m_folder.File("config.ini"));
        g_pConfigIni = m_config.get();
    }

    void TearDown() override { g_pConfigIni = nullptr; }

    // An IC INI file whose "Ic Name" is its own file name, so a test sees which file was loaded.
    void WriteIcIni(const std::string& name, const std::string& extra = "") const {
        m_folder.Write(name, "[Quillix Config]\nIc Name=" + name + "\n" + extra);
    }

    void EmptyFolder() const {
        for (const auto& entry : std::filesystem::directory_iterator(m_folder.Path()))
            std::filesystem::remove_all(entry.path());
    }

    // The start-up sequence of the project configuration.
    void StartUp(CIcTypeIni& ini) const {
        ini.LoadUserSetting();
        ini.ListIniFiles();
        ini.LoadIcIni();
        ini.Parse_ProjectType();
    }

    testsupport::ProcessGlobals m_globals;
    TempProgramFolder m_folder;
    std::unique_ptr<CIniFile> m_config;
};

TEST_F(IcTypeIniTest, ChoosesTheIcIniFile) {
    struct Case {
        const char* what;
        std::vector<std::string> files;
        std::string remembered;
        std::vector<std::string> candidates;
        std::string chosen;
    } cases[] = {
        {"only config.ini", {}, "gone.ini", {}, ""},
        {"one file replaces a stale name", {"a.ini"}, "gone.ini", {"a.ini"}, "a.ini"},
        {"one file, nothing remembered", {"a.ini"}, "", {"a.ini"}, "a.ini"},
        {"two files, stale name", {"b.ini", "a.ini"}, "gone.ini", {"a.ini", "b.ini"}, "a.ini"},
        {"two files, nothing remembered", {"b.ini", "a.ini"}, "", {"a.ini", "b.ini"}, "a.ini"},
        {"two files, remembered second", {"a.ini", "b.ini"}, "b.ini", {"a.ini", "b.ini"}, "b.ini"},
        {"remembered name in other case", {"a.ini", "b.ini"}, "B.ini", {"a.ini", "b.ini"}, "a.ini"},
#ifdef _WIN32
        // Names are case-insensitive: this is the settings file itself.
        {"capital C config is config.ini", {"Config.ini"}, "", {}, ""},
#else
        // Only the exact name config.ini is the settings file.
        {"capital C config is a candidate", {"Config.ini"}, "", {"Config.ini"}, "Config.ini"},
        // File names are bytes: a Windows-1252 name is found as it is.
        {"name that is not UTF-8",
         {"a.ini", "caf\xe9.ini"},
         "caf\xe9.ini",
         {"a.ini", "caf\xe9.ini"},
         "caf\xe9.ini"},
#endif
        // A Windows-1252 setting names the file that the system lists as UTF-8 text.
        {"Windows-1252 setting, UTF-8 file name",
         {"a.ini", "caf\xc3\xa9.ini"},
         "caf\xe9.ini",
         {"a.ini", "caf\xc3\xa9.ini"},
         "caf\xc3\xa9.ini"},
        {"upper-case extension", {"Z.INI", "m.ini"}, "Z.INI", {"m.ini", "Z.INI"}, "Z.INI"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EmptyFolder();
        m_folder.Write("config.ini", "[Quillix Config]\nIni Name=" + c.remembered + "\n");
        m_config->Clear();
        ASSERT_TRUE(m_config->Load());
        for (const std::string& name : c.files)
            WriteIcIni(name);

        CIcTypeIni ini;
        StartUp(ini);

        EXPECT_EQ(ini.m_IniFileNames, c.candidates);
        EXPECT_EQ(ini.m_strIniName, c.chosen);
        EXPECT_EQ(ini.m_strIcName, platform::IniBytesToUtf8(c.chosen));
        ini.SaveUserSetting();
        EXPECT_EQ(m_config->GetString("Quillix Config", "Ini Name", "<none>"), c.chosen);
    }
}

TEST_F(IcTypeIniTest, CandidatesAreRegularIniFilesOnly) {
    WriteIcIni("a.ini");
    m_folder.Write("a.bin", "x");
    m_folder.Write("a.ini.bak", "x");
    ASSERT_TRUE(std::filesystem::create_directory(m_folder.File("dir.ini")));
    m_folder.Write("config.ini", "[Quillix Config]\n");

    CIcTypeIni ini;
    ini.ListIniFiles();
    EXPECT_EQ(ini.m_IniFileNames, std::vector<std::string>{"a.ini"});
}

TEST_F(IcTypeIniTest, NoIcIniRunsWithDefaultsAndBuiltInLayouts) {
    m_folder.Write("config.ini", "[Quillix Config]\nIni Name=old.ini\n");
    ASSERT_TRUE(m_config->Load());

    CIcTypeIni ini;
    StartUp(ini);

    EXPECT_FALSE(ini.LoadIcIni());
    EXPECT_EQ(g_ProjectType, FLASH);
    EXPECT_EQ(g_BusType, USB);
    EXPECT_EQ(g_dwCustomizeSilence, 0u);
    EXPECT_EQ(g_dwCustomizeUI, 0u);
    EXPECT_TRUE(ini.UsesBuiltInLayout());
    EXPECT_TRUE(ini.UsesBuiltInLunLayout());
    uint16_t id = 0;
    EXPECT_FALSE(ini.GetDefaultImageId(id));

    // The emptied name reaches the file at exit.
    ini.SaveUserSetting();
    ASSERT_TRUE(m_config->Save());
    CIniFile saved(m_folder.File("config.ini"));
    ASSERT_TRUE(saved.Load());
    EXPECT_EQ(saved.GetString("Quillix Config", "Ini Name", "<none>"), "");
}

TEST_F(IcTypeIniTest, WithoutConfigObjectSettingsAreLeftAlone) {
    g_pConfigIni = nullptr;
    CIcTypeIni ini;
    ini.m_strIniName = "a.ini";
    ini.LoadUserSetting();
    EXPECT_EQ(ini.m_strIniName, "");
    ini.SaveUserSetting();
}

TEST_F(IcTypeIniTest, ProjectKeys) {
    struct Case {
        const char* keys;
        MemoryKind kindBefore;
        BusType busBefore;
        MemoryKind kind;
        BusType bus;
        uint32_t silence;
        uint32_t ui;
    } cases[] = {
        {"Project Type=Efuse\n", FLASH, PCIE, EFUSE, PCIE, 0, 0},
        {"Project Type=EFUSE\n", FLASH, USB, EFUSE, USB, 0, 0},
        {"Project Type=Flash\n", EEPROM, USB, FLASH, USB, 0, 0},
        {"Project Type=FLASH\n", EEPROM, USB, FLASH, USB, 0, 0},
        {"Project Type=Eeprom\n", FLASH, USB, EEPROM, USB, 0, 0},
        {"Project Type=EEPROM\n", FLASH, USB, EEPROM, USB, 0, 0},
        {"Project Type=SerialFlash\nBus Type=PCIE\n", FLASH, USB, SERIALFLASH, PCIE, 0, 0},
        {"Project Type=SERIALFLASH\nBus Type=USB\n", FLASH, PCIE, SERIALFLASH, USB, 0, 0},
        // Values outside the tables, in another case or with a blank, change nothing.
        {"Project Type=flash\n", EEPROM, USB, EEPROM, USB, 0, 0},
        {"Project Type=serialflash\nBus Type=pcie\n", EFUSE, USB, EFUSE, USB, 0, 0},
        {"Project Type=EEPROM \nBus Type= PCIE\n", EFUSE, USB, EFUSE, USB, 0, 0},
        {"Project Type=NAND\nBus Type=SATA\n", EEPROM, PCIE, EEPROM, PCIE, 0, 0},
        {"Project Type=\n", EEPROM, PCIE, EEPROM, PCIE, 0, 0},
        // Key names compare ignoring case; numbers follow the INI number rules.
        {"project type=Eeprom\nBUS TYPE=PCIE\n", FLASH, USB, EEPROM, PCIE, 0, 0},
        {"Customize Silence=1\nCustomize UI=3\n", FLASH, USB, FLASH, USB, 1, 3},
        {"Customize Silence=0x1\nCustomize UI=010\n", FLASH, USB, FLASH, USB, 1, 8},
        {"Customize UI=2 ; dialog two\n", FLASH, USB, FLASH, USB, 0, 2},
        {"Customize UI=none\n", FLASH, USB, FLASH, USB, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.keys);
        WriteIcIni("chip.ini", c.keys);
        g_ProjectType = c.kindBefore;
        g_BusType = c.busBefore;
        g_dwCustomizeSilence = 7;
        g_dwCustomizeUI = 7;

        CIcTypeIni ini;
        ini.ListIniFiles();
        ASSERT_TRUE(ini.LoadIcIni());
        ini.Parse_ProjectType();

        EXPECT_EQ(g_ProjectType, c.kind);
        EXPECT_EQ(g_BusType, c.bus);
        EXPECT_EQ(g_dwCustomizeSilence, c.silence);
        EXPECT_EQ(g_dwCustomizeUI, c.ui);
    }
}

TEST_F(IcTypeIniTest, ProjectKeysOutsideTheirSectionAreIgnored) {
    m_folder.Write("chip.ini", "[Other]\nProject Type=EFUSE\nCustomize UI=4\nIc Name=X\n");
    CIcTypeIni ini;
    ini.ListIniFiles();
    ASSERT_TRUE(ini.LoadIcIni());
    ini.Parse_ProjectType();
    EXPECT_EQ(g_ProjectType, FLASH);
    EXPECT_EQ(g_dwCustomizeUI, 0u);
    EXPECT_EQ(ini.m_strIcName, "");
}

TEST_F(IcTypeIniTest, IcNameIsText) {
    struct Case {
        std::string bytes;
        std::string text;
    } cases[] = {
        {"QX7464", "QX7464"},
        {"Chip \xC3\xA9", "Chip \xC3\xA9"}, // UTF-8 stays
        {"Chip \xE9", "Chip \xC3\xA9"},     // Windows-1252 from a file written on Windows
        {"", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        m_folder.Write("chip.ini", "[Quillix Config]\nIc Name=" + c.bytes + "\n");
        CIcTypeIni ini;
        ini.ListIniFiles();
        ASSERT_TRUE(ini.LoadIcIni());
        ini.Parse_ProjectType();
        EXPECT_EQ(ini.m_strIcName, c.text);
    }
}

// Switching files: the new content replaces the old, memory kind and bus stay when the new file
// lacks them, the switches and chip name follow the new file.
TEST_F(IcTypeIniTest, SwitchingFilesReplacesContentButKeepsKindAndBus) {
    WriteIcIni("a.ini", "Project Type=EFUSE\nBus Type=PCIE\nCustomize UI=5\n[Vendor Info M1]\nVID Addr=1\n"
                        "[Vendor Info P2]\nLUN Addr=2\n");
    WriteIcIni("b.ini", "Customize Silence=1\n");
    CIcTypeIni ini;
    ini.ListIniFiles();
    ASSERT_TRUE(ini.LoadIcIni());
    ini.Parse_ProjectType();
    ASSERT_EQ(g_ProjectType, EFUSE);
    ASSERT_FALSE(ini.UsesBuiltInLayout());
    ASSERT_FALSE(ini.UsesBuiltInLunLayout());
    ini.m_byLastWritePos = 0x42;

    ini.m_strIniName = "b.ini";
    ASSERT_TRUE(ini.LoadIcIni());
    ini.Parse_ProjectType();

    EXPECT_EQ(ini.m_strIcName, "b.ini");
    EXPECT_EQ(g_ProjectType, EFUSE);
    EXPECT_EQ(g_BusType, PCIE);
    EXPECT_EQ(g_dwCustomizeUI, 0u);
    EXPECT_EQ(g_dwCustomizeSilence, 1u);
    EXPECT_TRUE(ini.UsesBuiltInLayout());
    EXPECT_TRUE(ini.UsesBuiltInLunLayout());
    EXPECT_EQ(ini.GetString("Vendor Info M1", "VID Addr", "gone"), "gone");
    EXPECT_EQ(ini.m_byLastWritePos, 0) << "the editor's last written position belongs to the old file";
}

// A file that stops loading at a bad line keeps what came before it.
TEST_F(IcTypeIniTest, PartlyLoadedFileKeepsItsEarlierKeys) {
    WriteIcIni("chip.ini", "Project Type=EEPROM\n\tbad line\n[Vendor Info M1]\nVID Addr=1\n");
    CIcTypeIni ini;
    ini.ListIniFiles();
    EXPECT_FALSE(ini.LoadIcIni());
    ini.Parse_ProjectType();
    EXPECT_EQ(ini.m_strIniName, "chip.ini");
    EXPECT_EQ(g_ProjectType, EEPROM);
    EXPECT_TRUE(ini.UsesBuiltInLayout());
}

TEST_F(IcTypeIniTest, BuiltInLayoutChoice) {
    struct Case {
        const char* sections;
        bool builtIn;
        bool builtInLun;
    } cases[] = {
        {"", true, true},
        {"[Vendor Info M1]\n", false, true},
        {"[Vendor Info P2]\n", true, false},
        {"[vendor info m1]\n[VENDOR INFO P2]\n", false, false},
        {"[Vendor Info M1 ]\n[Vendor Info S2]\n", true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.sections);
        WriteIcIni("chip.ini", c.sections);
        CIcTypeIni ini;
        ini.ListIniFiles();
        ASSERT_TRUE(ini.LoadIcIni());
        EXPECT_EQ(ini.UsesBuiltInLayout(), c.builtIn);
        EXPECT_EQ(ini.UsesBuiltInLunLayout(), c.builtInLun);
    }
}

// Without a chosen file the sections of stray content do not count.
TEST_F(IcTypeIniTest, NoChosenFileMeansBuiltInLayout) {
    CIcTypeIni ini;
    ini.SetEntry("Vendor Info M1", "VID Addr", "1");
    ini.SetEntry("Vendor Info P2", "LUN Addr", "1");
    EXPECT_TRUE(ini.UsesBuiltInLayout());
    EXPECT_TRUE(ini.UsesBuiltInLunLayout());
}

TEST_F(IcTypeIniTest, DefaultImageByDefBin) {
    struct Case {
        const char* line;
        bool found;
        uint16_t id;
        uint32_t size;
    } cases[] = {
        {"Def Bin=EFU_7464", true, 2466, 16},
        {"Def Bin=EFU_7464D", true, 2466, 16},
        {"Def Bin=EFU_7464B", true, 2464, 16},
        {"Def Bin=EFP_7590", true, 2590, 8},
        {"Def Bin=EEP_7590", true, 7590, 128},
        {"Def Bin=EEU_7640ZDD", true, 7643, 128},
        {"Def Bin=EEU_7648", true, 7642, 128},
        {"Def Bin=EFU_7648", true, 7646, 40},
        {"Def Bin=EFU_7676", true, 7647, 128},
        {"def bin=EEU_7432", true, 7432, 128},
        {"Def Bin=NULL", false, 0, 0},
        {"Def Bin=efu_7464", false, 0, 0},
        {"Def Bin=EFU_7464 ", false, 0, 0},
        {"Def Bin=", false, 0, 0},
        {"", false, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        WriteIcIni("chip.ini", std::string(c.line) + "\n");
        CIcTypeIni ini;
        ini.ListIniFiles();
        ASSERT_TRUE(ini.LoadIcIni());
        uint16_t id = 0;
        EXPECT_EQ(ini.GetDefaultImageId(id), c.found);
        if (c.found) {
            EXPECT_EQ(id, c.id);
            EXPECT_EQ(CIcTypeIni::DefaultImageSize(id), c.size);
        }
    }
}

TEST_F(IcTypeIniTest, DefaultImageTableIsConsistent) {
    for (const DefaultImageInfo& row : CIcTypeIni::DefaultImages()) {
        SCOPED_TRACE(row.pszName);
        EXPECT_NE(row.wId, 0);
        EXPECT_GT(row.dwSize, 0u);
        // Every identifier has one size, whichever name selects it.
        EXPECT_EQ(CIcTypeIni::DefaultImageSize(row.wId), row.dwSize);
    }
    EXPECT_EQ(CIcTypeIni::DefaultImageSize(1), 0u);
}

TEST_F(IcTypeIniTest, IniNameRoundTripsThroughConfig) {
    WriteIcIni("a.ini");
    WriteIcIni("b.ini");
    m_folder.Write("config.ini", "[Quillix Log]\nLogCategory=0\n");
    ASSERT_TRUE(m_config->Load());

    CIcTypeIni first;
    StartUp(first);
    EXPECT_EQ(first.m_strIniName, "a.ini");
    first.m_strIniName = "b.ini";
    first.SaveUserSetting();
    ASSERT_TRUE(m_config->Save());

    CIniFile reread(m_folder.File("config.ini"));
    ASSERT_TRUE(reread.Load());
    g_pConfigIni = &reread;
    CIcTypeIni second;
    StartUp(second);
    EXPECT_EQ(second.m_strIniName, "b.ini");
    EXPECT_EQ(second.m_strIcName, "b.ini");
    EXPECT_EQ(reread.GetString("Quillix Log", "LogCategory", ""), "0");
}

// The project values reach the trace log under the application category only.
TEST_F(IcTypeIniTest, TracesProjectValues) {
    struct Case {
        const char* category;
        bool traced;
    } cases[] = {{"1", true}, {"3", true}, {"2", false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.category);
        EmptyFolder();
        WriteIcIni("chip.ini", "Project Type=SerialFlash\nBus Type=PCIE\n");
        m_config->Clear();
        m_config->SetEntry("Quillix Log", "LogCategory", c.category);
        OpenTraceLog();
        CIcTypeIni ini;
        StartUp(ini);
        CloseTraceLog();

        std::vector<std::string> logs = platform::FindFiles(m_folder.Path(), "*.log");
        ASSERT_EQ(logs.size(), 1u);
        std::string bytes = m_folder.Read(logs.front());
        ASSERT_GE(bytes.size(), 2u);
        std::u16string wide;
        for (size_t i = 2; i + 1 < bytes.size(); i += 2)
            wide += static_cast<char16_t>(static_cast<uint8_t>(bytes[i]) | static_cast<uint8_t>(bytes[i + 1])
                                                                               << 8);
        std::string log = platform::Utf16ToUtf8(wide);

        const std::string scope = ":CIcTypeIni::Parse_ProjectType:> ";
        size_t start = log.find(scope + "START --->>>\r\n");
        size_t kind = log.find(scope + "PROJECT_ProjectType : 3\r\n");
        size_t bus = log.find(scope + "PROJECT_BusType : 1\r\n");
        size_t exit = log.find(scope + "EXIT <<<---\r\n");
        if (c.traced) {
            ASSERT_NE(start, std::string::npos) << log;
            EXPECT_LT(start, kind);
            EXPECT_LT(kind, bus);
            EXPECT_LT(bus, exit);
            EXPECT_NE(exit, std::string::npos);
        } else {
            EXPECT_EQ(log.find("CIcTypeIni::"), std::string::npos) << log;
        }
    }
    // Leave the process-wide log closed with an empty category mask.
    m_config->Clear();
    OpenTraceLog();
    CloseTraceLog();
}

} // namespace
