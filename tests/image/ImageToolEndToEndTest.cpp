// quillix-image as users run it: on fresh dumps of the simulated reader, per memory kind and bus.
#include "app/Messages.h"
#include "device/DevTypeInfo.h"
#include "model/IcTypeIni.h"
#include "model/PropertyDisplay.h"
#include "platform/Text.h"
#include "tests/image/ImageToolFixture.h"
#include "view/editor/FieldsLunAccess.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>

using testsupport::ExitStatusFor;
using testsupport::NativePath;
using testsupport::RunResult;

namespace {

struct Chip {
    const char* preset;
    const char* kind; // IC INI spelling
    const char* bus;
    const char* kindOption;
    const char* busOption;
    MemoryKind memoryKind;
    BusType busType;
};

std::string ChipName(const testing::TestParamInfo<Chip>& info) {
    std::string name = info.param.preset;
    for (char& c : name)
        if (c == '-')
            c = '_';
    return name;
}

const Chip kChips[] = {
    {"eeprom-usb", "EEPROM", "USB", "eeprom", "usb", EEPROM, USB},
    {"eeprom-pcie", "EEPROM", "PCIE", "eeprom", "pcie", EEPROM, PCIE},
    {"efuse-usb", "EFUSE", "USB", "efuse", "usb", EFUSE, USB},
    {"efuse-pcie", "EFUSE", "PCIE", "efuse", "pcie", EFUSE, PCIE},
    {"flash-usb", "FLASH", "USB", "flash", "usb", FLASH, USB},
};

// The device-type object of a memory kind and bus with the built-in layout, as the editor has it.
class EditorObjects {
public:
    EditorObjects(MemoryKind kind, BusType bus) {
        g_pIcTypeIni = new CIcTypeIni();
        g_ProjectType = kind;
        g_BusType = bus;
        CreateDevTypeInfo();
    }
    ~EditorObjects() {
        DestroyDevTypeInfo();
        delete g_pIcTypeIni;
        g_pIcTypeIni = nullptr;
    }
};

std::string Hex16(uint16_t value) {
    return platform::StrPrintf("0x%04X", value);
}

class FreshDump : public testing::TestWithParam<Chip> {};

TEST_P(FreshDump, ShowGivesWhatTheEditorReads) {
    const Chip& c = GetParam();
    ImageToolFolder tool(c.preset, c.kind, c.bus);
    const std::string dump = tool.Dump();
    const nlohmann::json byKind = tool.Show(dump, {"--kind", c.kindOption, "--bus", c.busOption});
    const nlohmann::json byFolder = tool.Show(dump);
    ASSERT_FALSE(byKind.empty());

    const std::string bytes = testsupport::ReadFileBytes(dump);
    EditorObjects editor(c.memoryKind, c.busType);
    g_pDevTypeInfo->SetUploadImage({reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()});
    const bool passed = g_pDevTypeInfo->CheckUploadImage();
    ImageFields fields = g_pDevTypeInfo->UploadFields();
    for (const nlohmann::json& shown : {byKind, byFolder}) {
        EXPECT_EQ(shown["kind"], c.kindOption);
        EXPECT_EQ(shown["bus"], c.busOption);
        EXPECT_EQ(shown["size"], bytes.size());
        EXPECT_EQ(shown["check"], passed ? "pass" : "fail");
        EXPECT_EQ(shown["vid"], Hex16(fields.GetVID()));
        EXPECT_EQ(shown["pid"], Hex16(fields.GetPID()));
        EXPECT_EQ(shown["manufacturer"], fields.GetManufacturer());
        EXPECT_EQ(shown["product"], fields.GetProduct());
        EXPECT_EQ(shown["serial"], fields.GetSerialNumber());
        EXPECT_EQ(shown["inquiry"]["vendor"], fields.GetInqVendor());
        EXPECT_EQ(shown["inquiry"]["product"], fields.GetInqProduct());
        EXPECT_EQ(shown["inquiry"]["revision"], fields.GetInqRevision());
        EXPECT_EQ(shown["inquiry"]["string_mode"], fields.GetInqStrMode());
        for (size_t n = 0; n < 8; ++n)
            EXPECT_EQ(shown["lun_strings"][n], fields.GetLunStr(n)) << n;
        if (c.memoryKind == FLASH) {
            ASSERT_TRUE(g_pDevTypeInfo->GetVendorUp());
            EXPECT_EQ(shown["flash"]["vendor_offset"],
                      g_pDevTypeInfo->GetVendorUp() - g_pDevTypeInfo->GetDataUp());
        }
    }
    // Every fresh dump of a reader belongs to its chip.
    EXPECT_TRUE(passed);
    RunResult check = tool.Image({"check", NativePath(dump)});
    EXPECT_EQ(check.status, 0) << check.err;
}

TEST_P(FreshDump, DiffOfAnImageWithItselfIsEqual) {
    const Chip& c = GetParam();
    ImageToolFolder tool(c.preset, c.kind, c.bus);
    const std::string dump = tool.Dump();
    RunResult diff = tool.Image({"diff", "--json", NativePath(dump), NativePath(dump)});
    ASSERT_EQ(diff.status, 0) << diff.err;
    const nlohmann::json json = nlohmann::json::parse(diff.out);
    EXPECT_TRUE(json["equal"]);
    EXPECT_TRUE(json["fields"].empty());
    EXPECT_TRUE(json["ranges"].empty());
}

INSTANTIATE_TEST_SUITE_P(Chips, FreshDump, testing::ValuesIn(kChips), ChipName);

// Edits per chip whose layout has the fields: the options, and what show reads back.
struct EditCase {
    Chip chip;
    std::vector<std::string> options;
    std::vector<std::pair<std::string, std::string>> expected; // JSON pointer, value
};

std::vector<std::string> Split(const std::string& path) {
    std::vector<std::string> parts;
    size_t start = 0;
    for (size_t slash; (slash = path.find('/', start)) != std::string::npos; start = slash + 1)
        parts.push_back(path.substr(start, slash - start));
    parts.push_back(path.substr(start));
    return parts;
}

class SetRoundTrip : public testing::TestWithParam<EditCase> {};

TEST_P(SetRoundTrip, ShowReadsTheWrittenFieldsAndDiffNamesThem) {
    const EditCase& e = GetParam();
    ImageToolFolder tool(e.chip.preset, e.chip.kind, e.chip.bus);
    const std::string dump = tool.Dump();
    const std::string edited = tool.m_sim.File("out/edited.bin");
    std::vector<std::string> args = {"set", NativePath(dump), "-o", NativePath(edited)};
    args.insert(args.end(), e.options.begin(), e.options.end());
    RunResult set = tool.Image(args);
    ASSERT_EQ(set.status, 0) << set.err;
    const nlohmann::json shown = tool.Show(edited);
    for (const auto& [pointer, value] : e.expected)
        EXPECT_EQ(shown[nlohmann::json::json_pointer(pointer)], value) << pointer;

    RunResult diff = tool.Image({"diff", "--json", NativePath(dump), NativePath(edited)});
    ASSERT_EQ(diff.status, 1) << diff.err;
    const nlohmann::json json = nlohmann::json::parse(diff.out);
    EXPECT_FALSE(json["equal"]);
    EXPECT_FALSE(json["ranges"].empty());
    std::vector<std::string> named;
    for (const nlohmann::json& field : json["fields"])
        named.push_back(field["field"]);
    for (const auto& [pointer, value] : e.expected) {
        // "/inquiry/vendor" is named "inquiry.vendor", "/lun_strings/1" "lun_strings[1]".
        std::string field;
        for (const std::string& part : Split(pointer.substr(1)))
            field += std::isdigit(static_cast<unsigned char>(part[0])) ? "[" + part + "]"
                                                                       : (field.empty() ? "" : ".") + part;
        EXPECT_NE(std::find(named.begin(), named.end(), field), named.end()) << field;
    }
}

INSTANTIATE_TEST_SUITE_P(Chips, SetRoundTrip,
                         testing::Values(EditCase{kChips[0],
                                                  {"--vid", "1d6b", "--pid", "0x0ABC", "--manufacturer",
                                                   "Maker", "--product", "Card Reader", "--serial", "SN42",
                                                   "--inquiry-vendor", "VENDOR", "--inquiry-product",
                                                   "PRODUCT", "--inquiry-revision", "2.00"},
                                                  {{"/vid", "0x1D6B"},
                                                   {"/pid", "0x0ABC"},
                                                   {"/manufacturer", "Maker"},
                                                   {"/product", "Card Reader"},
                                                   {"/serial", "SN42"},
                                                   {"/inquiry/vendor", "VENDOR"},
                                                   {"/inquiry/product", "PRODUCT"},
                                                   {"/inquiry/revision", "2.00"}}},
                                         EditCase{kChips[2],
                                                  {"--vid", "1234", "--pid", "5678"},
                                                  {{"/vid", "0x1234"}, {"/pid", "0x5678"}}},
                                         EditCase{kChips[4],
                                                  {"--serial", "FLASH0001", "--lun-string", "1=CARD"},
                                                  {{"/serial", "FLASH0001"}, {"/lun_strings/1", "CARD"}}}),
                         [](const testing::TestParamInfo<EditCase>& info) {
                             return ChipName({info.param.chip, info.index});
                         });

TEST(ImageToolSet, TextThatDoesNotFitWritesNothing) {
    struct Case {
        std::vector<std::string> options;
    } cases[] = {
        {{"--serial", std::string(200, 'S')}},
        {{"--inquiry-vendor", "NINE CHAR"}},
        {{"--inquiry-revision", "1.000"}},
        {{"--lun-string", "0=SEVENTEEN CHARS!!"}},
    };
    ImageToolFolder tool("eeprom-usb", "EEPROM", "USB");
    const std::string dump = tool.Dump();
    for (const Case& c : cases) {
        const std::string out = tool.m_sim.File("too-long.bin");
        std::vector<std::string> args = {"set", NativePath(dump), "-o", NativePath(out)};
        args.insert(args.end(), c.options.begin(), c.options.end());
        RunResult set = tool.Image(args);
        EXPECT_EQ(set.status, ExitStatusFor(32, IDS_TOO_MANY_CHARACTERS)) << c.options[0];
        EXPECT_NE(set.err.find("nothing written"), std::string::npos) << set.err;
        EXPECT_FALSE(std::filesystem::exists(out)) << c.options[0];
    }
}

TEST(ImageToolSerials, MakesDistinctImagesWhoseSerialsShowReadsBack) {
    ImageToolFolder tool("eeprom-usb", "EEPROM", "USB");
    const std::string dump = tool.Dump();
    const std::string folder = tool.m_sim.File("serials");
    RunResult serials =
        tool.Image({"serials", NativePath(dump), "--from", "0098", "--count", "4", "-o", NativePath(folder)});
    ASSERT_EQ(serials.status, 0) << serials.err;
    const char* expected[] = {"0098", "0099", "0100", "0101"};
    std::vector<std::string> contents;
    for (const char* serial : expected) {
        const std::string path = folder + "/" + serial + ".bin";
        ASSERT_TRUE(std::filesystem::exists(path)) << path;
        EXPECT_EQ(tool.Show(path)["serial"], serial);
        contents.push_back(testsupport::ReadFileBytes(path));
    }
    std::sort(contents.begin(), contents.end());
    EXPECT_EQ(std::unique(contents.begin(), contents.end()), contents.end());
    EXPECT_EQ(
        std::distance(std::filesystem::directory_iterator(folder), std::filesystem::directory_iterator()), 4);
}

TEST(ImageToolSerials, NumbersBeyondTheDigitsOfFromAreRefusedBeforeAnyFile) {
    ImageToolFolder tool("eeprom-usb", "EEPROM", "USB");
    const std::string dump = tool.Dump();
    const std::string folder = tool.m_sim.File("serials");
    RunResult serials =
        tool.Image({"serials", NativePath(dump), "--from", "98", "--count", "3", "-o", NativePath(folder)});
    EXPECT_EQ(serials.status, 2);
    EXPECT_FALSE(std::filesystem::exists(folder));
}

// The example IC INI file's properties: show gives each as the advanced page shows it, set writes them.
TEST(ImageToolProperties, ShowAndSetFollowTheAdvancedPage) {
    ImageToolFolder tool("eeprom-usb", "EEPROM", "USB");
    const std::string dump = tool.Dump();
    // A copy beside the dump: the source tree's path has no drive letter under Wine.
    const std::string ini = tool.m_sim.File("eeprom-usb.ini");
    std::filesystem::copy_file(std::string(QUILLIX_SOURCE_DIR) + "/examples/eeprom-usb.ini", ini);
    const nlohmann::json shown = tool.Show(dump, {"--ic", NativePath(ini)});

    g_pIcTypeIni = new CIcTypeIni();
    g_pIcTypeIni->m_strIniName = "eeprom-usb.ini";
    g_pIcTypeIni->m_IniFileNames = {g_pIcTypeIni->m_strIniName};
    g_pIcTypeIni->SetPath(ini);
    ASSERT_TRUE(g_pIcTypeIni->Load());
    g_pIcTypeIni->Parse_ProjectType();
    CreateDevTypeInfo();
    const std::string bytes = testsupport::ReadFileBytes(dump);
    g_pDevTypeInfo->SetUploadImage({reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()});
    ASSERT_TRUE(g_pDevTypeInfo->CheckUploadImage());
    const std::vector<PropertyLayout> properties = g_pIcTypeIni->GetProperties(g_ProjectType, g_BusType);
    ASSERT_EQ(shown["properties"].size(), properties.size());
    for (size_t i = 0; i < properties.size(); ++i) {
        const ImageFields::PropertyReading reading =
            g_pDevTypeInfo->UploadFields().ReadProperty(properties[i]);
        const PropertyDisplay display =
            DisplayProperty(properties[i], reading.dwValue, reading.dwEnable, g_pIcTypeIni->GetShowStyle(),
                            LoadMessage(IDS_DEPENDS_ON_FW), LoadMessage(IDS_NO_CORRECT_OPTION));
        EXPECT_EQ(shown["properties"][i]["name"], properties[i].strName);
        EXPECT_EQ(shown["properties"][i]["value"], reading.dwValue) << i;
        EXPECT_EQ(shown["properties"][i]["text"], display.text) << i;
        EXPECT_EQ(shown["properties"][i]["in_effect"],
                  IsPropertyInEffect(properties[i].funEnable.byMode, reading.dwEnable));
    }
    // "UI Type" 3: the LUN pages 2 and 3, read as the pages read them.
    ASSERT_EQ(shown["lun_pages"].size(), 2u);
    for (const nlohmann::json& page : shown["lun_pages"]) {
        const CardLayout layout = *PageCardLayout(page["page"]);
        CardGrid grid;
        const int selected = ReadCardLayout(layout, FieldsLunAccess(g_pDevTypeInfo->UploadFields()),
                                            ClampMaxLun(g_pIcTypeIni->GetMaxLun()), grid);
        EXPECT_EQ(page["max_lun"], selected + 1);
        ASSERT_EQ(page["cards"].size(), static_cast<size_t>(selected + 1));
        for (int row = 0; row <= selected; ++row) {
            std::vector<std::string> cards;
            for (int column = 0; column < kCardColumns; ++column)
                if (HasCardBox(layout, column, row) && grid.bCard[column][row])
                    cards.push_back(CardColumnHeading(layout, column));
            EXPECT_EQ(page["cards"][row], cards) << "page " << page["page"] << " LUN " << row;
        }
    }
    DestroyDevTypeInfo();
    delete g_pIcTypeIni;
    g_pIcTypeIni = nullptr;

    const std::string out = tool.m_sim.File("properties.bin");
    RunResult set =
        tool.Image({"set", NativePath(dump), "-o", NativePath(out), "--ic", NativePath(ini), "--property",
                    "Speed=High speed", "--property", "Remote wake-up=On", "--property", "Bus power=0x32"});
    ASSERT_EQ(set.status, 0) << set.err;
    const nlohmann::json written = tool.Show(out, {"--ic", NativePath(ini)});
    std::map<std::string, std::pair<std::string, bool>> texts;
    for (const nlohmann::json& property : written["properties"])
        texts[property["name"]] = {property["text"], property["in_effect"]};
    EXPECT_EQ(texts["Speed"].first, "High speed");
    // Writing the value sets its function-enable bit too, so the property comes into effect.
    EXPECT_EQ(texts["Remote wake-up"], std::make_pair(std::string("On"), true));
    EXPECT_EQ(texts["Bus power"].first, "0x32 (50)");

    struct Refusal {
        const char* property;
        int status;
    } refusals[] = {{"Speed=Fast", ExitStatusFor(1, IDS_NO_CORRECT_OPTION)},
                    {"Bus power=256", ExitStatusFor(1, IDS_NO_CORRECT_OPTION)},
                    {"Colour=Red", ExitStatusFor(10, IDS_NOT_SUPPORT)}};
    for (const Refusal& r : refusals) {
        const std::string refused = tool.m_sim.File("refused.bin");
        RunResult run = tool.Image({"set", NativePath(dump), "-o", NativePath(refused), "--ic",
                                    NativePath(ini), "--property", r.property});
        EXPECT_EQ(run.status, r.status) << r.property << ": " << run.err;
        EXPECT_FALSE(std::filesystem::exists(refused)) << r.property;
    }
}

} // namespace
