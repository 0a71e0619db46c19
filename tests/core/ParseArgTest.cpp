#include "core/ParseArg.h"

#include "core/Broadcast.h"
#include "core/MessageIds.h"
#include "model/ConfigIni.h"
#include "model/IcTypeIni.h"
#include "platform/FileSystem.h"
#include "platform/Text.h"
#include "tests/support/ProcessGlobals.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// ---- Grammar ---------------------------------------------------------------------------------------

struct GrammarCase {
    const char* name;
    std::string commandLine;
    bool reduced;
    bool commandLineRun;
    char option;
    std::string argument;
};

std::ostream& operator<<(std::ostream& out, const GrammarCase& c) {
    return out << c.name;
}

class GrammarTest : public testing::TestWithParam<GrammarCase> {};

TEST_P(GrammarTest, FindsOptionAndArgument) {
    const GrammarCase& c = GetParam();
    ParsedCommandLine parsed = ParseCommandLine(c.commandLine, c.reduced);
    EXPECT_EQ(parsed.bCommandLineRun, c.commandLineRun);
    EXPECT_EQ(parsed.chOption, c.option);
    EXPECT_EQ(parsed.strArgument, c.argument);
}

INSTANTIATE_TEST_SUITE_P(
    CommandLines, GrammarTest,
    testing::Values(GrammarCase{"Empty", " ", false, false, 0, ""},
                    GrammarCase{"NoArguments", "", false, false, 0, ""},
                    GrammarCase{"Write", " -w a.bin", false, true, 'W', "a.bin"},
                    GrammarCase{"UpperCaseOption", " -W a.bin", false, true, 'W', "a.bin"},
                    GrammarCase{"ReadKeepsLetterCase", " -r Out/Dump.BIN", false, true, 'R', "Out/Dump.BIN"},
                    GrammarCase{"Text", " -t dump.txt", false, true, 'T', "dump.txt"},
                    GrammarCase{"Ignored", " -i x.bin", false, true, 'I', "x.bin"},
                    GrammarCase{"FileWithBlanks", " -w my image.bin", false, true, 'W', "my image.bin"},
                    GrammarCase{"EmptyFileArgument", " -w ", false, true, 'W', ""},
                    GrammarCase{"NonAsciiFile", " -r \xC3\xA4rger.bin", false, true, 'R', "\xC3\xA4rger.bin"},
                    // The test order decides, not the position; the argument runs to the end of the line.
                    GrammarCase{"WriteBeatsEarlierRead", " -r b.bin -w a.bin", false, true, 'W', "a.bin"},
                    GrammarCase{"WriteTakesRestOfLine", " -w a.bin -r b.bin", false, true, 'W',
                                "a.bin -r b.bin"},
                    GrammarCase{"IgnoredBeatsErase", " -e -i x", false, true, 'I', "x"},
                    GrammarCase{"EraseBeatsNoResetErase", " -c -e", false, true, 'E', ""},
                    GrammarCase{"FirstOccurrenceStartsArgument", " -w a -w b", false, true, 'W', "a -w b"},
                    // Options with a file need a blank after the letter.
                    GrammarCase{"WriteGluedToFile", " -wa.bin", false, false, 0, ""},
                    GrammarCase{"WriteWithoutFile", " -w", false, false, 0, ""},
                    // Options without a file need nothing after the letter.
                    GrammarCase{"Erase", " -e", false, true, 'E', ""},
                    GrammarCase{"EraseAsStartOfWord", " -erase", false, true, 'E', ""},
                    GrammarCase{"NoResetErase", " -C", false, true, 'C', ""},
                    GrammarCase{"Help", " -h", false, true, 'H', ""},
                    GrammarCase{"QuestionMark", " -?", false, true, 'H', ""},
                    GrammarCase{"UnknownOption", " -x foo", false, false, 0, ""},
                    GrammarCase{"DashInsideWord", " a-e", false, false, 0, ""},
                    // '/' is the path separator: neither an option prefix nor changed inside a file.
                    GrammarCase{"SlashIsNoOption", " /w a.bin", false, false, 0, ""},
                    GrammarCase{"SlashesInFileStay", " -w /img/a.bin", false, true, 'W', "/img/a.bin"},
                    // Reduced grammar: only " -LUN ", and always a command-line run.
                    GrammarCase{"ReducedEmpty", " ", true, true, 0, ""},
                    GrammarCase{"ReducedLun", " -LUN 2", true, true, 'L', "2"},
                    GrammarCase{"ReducedLunLowerCase", " -lun 2 more", true, true, 'L', "2 more"},
                    GrammarCase{"ReducedLunWithoutBlank", " -LUN", true, true, 0, ""},
                    GrammarCase{"ReducedIgnoresWrite", " -w a.bin", true, true, 0, ""}),
    [](const testing::TestParamInfo<GrammarCase>& info) { return std::string(info.param.name); });

TEST(UsageTextTest, CaptionThenFiveOptionLines) {
    EXPECT_EQ(UsageText(EFUSE), "ReaderEfuse\n"
                                "-w file.bin : Write the data in the binary file to EFUSE/EEPROM/FLASH.\n"
                                "-r file.bin : Dump the EFUSE/EEPROM/FLASH data into the binary file.\n"
                                "-t file.bin : Dump the EFUSE/EEPROM/FLASH data into the text file.\n"
                                "-e          : Erase EEPROM/FLASH data of reader.\n"
                                "-c          : Erase EEPROM/FLASH data of reader. (no reset)\n");
    EXPECT_EQ(UsageText(EEPROM).substr(0, 9), "ReaderEE\n");
}

// ---- Dispatch --------------------------------------------------------------------------------------

// A device-type object that records the calls it receives. An operation reports progress, then either
// success or its configured failure code, the way the device operations do.
class RecordingTarget : public ISilentTarget {
public:
    uint32_t LoadLib() override { return Record("LoadLib", loadLibOk); }
    uint32_t LoadFun() override { return Record("LoadFun", loadFunOk); }
    uint32_t UnloadLib() override { return Record("UnloadLib", true); }
    std::string MissingEntry() const override { return loadFunOk ? "" : "QDOpenDevice"; }
    uint32_t DT_SilentWriteBin(const std::string& path) override { return Operate("WriteBin(" + path + ")"); }
    uint32_t DT_SilentReadBin(const std::string& path) override { return Operate("ReadBin(" + path + ")"); }
    uint32_t DT_SilentReadTxt(const std::string& path) override { return Operate("ReadTxt(" + path + ")"); }
    uint32_t DT_SilentErase(uint32_t reset) override {
        return Operate(platform::StrPrintf("Erase(%u)", reset));
    }

    bool loadLibOk = true;
    bool loadFunOk = true;
    ResultCode failure = 0;
    bool failsSilently = false;
    std::vector<std::string> calls;

private:
    uint32_t Record(const std::string& call, bool ok) {
        calls.push_back(call);
        return ok ? 1 : 0;
    }
    uint32_t Operate(const std::string& call) {
        calls.push_back(call);
        if (failsSilently)
            return 0;
        BroadcastResult(UM_PROGRESS, 50, 0);
        if (failure) {
            BroadcastResult(UM_FAIL, failure, 0);
            return 0;
        }
        BroadcastResult(UM_SUCCEED, 41851, 0);
        return 1;
    }
};

enum LibraryState { kLibraryGood, kLibraryMissing, kEntriesMissing };

struct DispatchCase {
    const char* name;
    char option;
    LibraryState library;
    ResultCode failure;
    std::vector<std::string> calls;
    ResultCode errorCode;
    uint32_t result;
};

std::ostream& operator<<(std::ostream& out, const DispatchCase& c) {
    return out << c.name;
}

class DispatchTest : public testing::TestWithParam<DispatchCase> {
protected:
    DispatchTest() {
        const DispatchCase& c = GetParam();
        m_target.loadLibOk = c.library != kLibraryMissing;
        m_target.loadFunOk = c.library != kEntriesMissing;
        m_target.failure = c.failure;
        // A code left from earlier must not survive into the result of this run.
        g_dwErrorCode = 41513;
    }

    testsupport::ProcessGlobals m_globals;
    RecordingTarget m_target;
};

TEST_P(DispatchTest, CallsOperationAndRecordsResult) {
    const DispatchCase& c = GetParam();
    EXPECT_EQ(RunSilentCommand(m_target, c.option, "a.bin"), c.result);
    EXPECT_EQ(m_target.calls, c.calls);
    EXPECT_EQ(g_dwErrorCode, c.errorCode);
}

const std::vector<std::string> kBindOnly = {"LoadLib", "LoadFun", "UnloadLib"};

INSTANTIATE_TEST_SUITE_P(
    Options, DispatchTest,
    testing::Values(
        DispatchCase{
            "Write", 'W', kLibraryGood, 0, {"LoadLib", "LoadFun", "WriteBin(a.bin)", "UnloadLib"}, 0, 1},
        DispatchCase{
            "Read", 'R', kLibraryGood, 0, {"LoadLib", "LoadFun", "ReadBin(a.bin)", "UnloadLib"}, 0, 1},
        DispatchCase{
            "Text", 'T', kLibraryGood, 0, {"LoadLib", "LoadFun", "ReadTxt(a.bin)", "UnloadLib"}, 0, 1},
        DispatchCase{"Erase", 'E', kLibraryGood, 0, {"LoadLib", "LoadFun", "Erase(1)", "UnloadLib"}, 0, 1},
        DispatchCase{
            "EraseNoReset", 'C', kLibraryGood, 0, {"LoadLib", "LoadFun", "Erase(0)", "UnloadLib"}, 0, 1},
        DispatchCase{"ReadFails",
                     'R',
                     kLibraryGood,
                     41511,
                     {"LoadLib", "LoadFun", "ReadBin(a.bin)", "UnloadLib"},
                     41511,
                     0},
        DispatchCase{"Ignored", 'I', kLibraryGood, 0, kBindOnly, 41500, 0},
        DispatchCase{"IgnoredWithoutLibrary", 'I', kLibraryMissing, 0, {"LoadLib"}, 41501, 0},
        DispatchCase{"LibraryMissing", 'W', kLibraryMissing, 0, {"LoadLib"}, 41501, 0},
        DispatchCase{"EntriesMissing", 'W', kEntriesMissing, 0, kBindOnly, 41502, 0}),
    [](const testing::TestParamInfo<DispatchCase>& info) { return std::string(info.param.name); });

// An operation that fails without reporting a code still ends with a failure code of its kind.
TEST(SilentDispatch, UnreportedFailureGetsTheOperationsCode) {
    struct Case {
        MemoryKind kind;
        char option;
        ResultCode code;
    } cases[] = {
        {EEPROM, 'W', 41806}, {FLASH, 'R', 41704},  {FLASH, 'T', 41704},
        {EFUSE, 'E', 41603},  {EEPROM, 'C', 41805}, {SERIALFLASH, 'W', 41500},
    };
    testsupport::ProcessGlobals globals;
    for (const Case& c : cases) {
        RecordingTarget target;
        target.failsSilently = true;
        g_ProjectType = c.kind;
        EXPECT_EQ(RunSilentCommand(target, c.option, "a.bin"), 0u);
        EXPECT_EQ(g_dwErrorCode, c.code) << c.kind << " " << c.option;
    }
}

// ---- Parse and execute -----------------------------------------------------------------------------

struct RunCase {
    const char* name;
    uint32_t customizeSilence;
    std::string commandLine;
    LibraryState library;
    uint32_t parsed;
    std::vector<std::string> calls;
    ResultCode errorCode;
    std::string output;
};

std::ostream& operator<<(std::ostream& out, const RunCase& c) {
    return out << c.name;
}

class RunTest : public testing::TestWithParam<RunCase> {
protected:
    RunTest() {
        const RunCase& c = GetParam();
        g_dwCustomizeSilence = c.customizeSilence;
        g_ProjectType = EEPROM;
        g_dwErrorCode = 0;
        m_target.loadLibOk = c.library != kLibraryMissing;
        m_target.loadFunOk = c.library != kEntriesMissing;
    }

    testsupport::ProcessGlobals m_globals;
    RecordingTarget m_target;
};

TEST_P(RunTest, ParsesAndExecutes) {
    const RunCase& c = GetParam();
    CParseArg parser;
    ASSERT_EQ(parser.Parse_Arg(c.commandLine), c.parsed);
    if (c.parsed) {
        testing::internal::CaptureStdout();
        EXPECT_EQ(parser.Excute_Arg(m_target), 0u);
        EXPECT_EQ(testing::internal::GetCapturedStdout(), c.output);
    }
    EXPECT_EQ(m_target.calls, c.calls);
    EXPECT_EQ(g_dwErrorCode, c.errorCode);
}

INSTANTIATE_TEST_SUITE_P(
    Runs, RunTest,
    testing::Values(
        RunCase{"NoOptionShowsDialog", 0, " ", kLibraryGood, 0, {}, 0, ""},
        RunCase{"HelpPrintsUsageOnly", 0, " -h", kLibraryGood, 1, {}, 0, UsageText(EEPROM)},
        RunCase{"WriteWinsOverRead",
                0,
                " -w a.bin -r b.bin",
                kLibraryGood,
                1,
                {"LoadLib", "LoadFun", "WriteBin(a.bin -r b.bin)", "UnloadLib"},
                0,
                ""},
        RunCase{"EraseWithoutLibrary", 0, " -e", kLibraryMissing, 1, {"LoadLib"}, 41501, ""},
        RunCase{"SilenceOtherThanOneKeepsGrammar",
                2,
                " -c",
                kLibraryGood,
                1,
                {"LoadLib", "LoadFun", "Erase(0)", "UnloadLib"},
                0,
                ""},
        RunCase{"SilenceWithoutOption", 1, " ", kLibraryGood, 1, {}, 41500, ""},
        RunCase{"SilenceIgnoresNormalOptions", 1, " -w a.bin", kLibraryGood, 1, {}, 41500, ""},
        RunCase{"SilenceLunBindsLibrary", 1, " -LUN 2", kLibraryGood, 1, kBindOnly, 0, ""},
        RunCase{"SilenceLunWithoutLibrary", 1, " -LUN 2", kLibraryMissing, 1, {"LoadLib"}, 41501, ""},
        RunCase{"SilenceLunWithoutEntries", 1, " -LUN 2", kEntriesMissing, 1, kBindOnly, 41502, ""}),
    [](const testing::TestParamInfo<RunCase>& info) { return std::string(info.param.name); });

// ---- Trace -----------------------------------------------------------------------------------------

// The trace log of a temporary program folder, decoded from UTF-16LE.
std::string TraceText(const testsupport::TempDir& folder) {
    auto logs = platform::FindFiles(folder.Path(), "*.log");
    if (logs.size() != 1)
        return "";
    std::string bytes = folder.Read(logs[0]);
    std::u16string text;
    for (size_t i = 2; i + 1 < bytes.size(); i += 2)
        text += static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                      (static_cast<unsigned char>(bytes[i + 1]) << 8));
    return platform::Utf16ToUtf8(text);
}

TEST(ParseArgTraceTest, TracesCommandLineAndFinalCode) {
    testsupport::ProcessGlobals globals;
    testsupport::TempProgramFolder folder;
    CIniFile config;
    config.SetEntry("Quillix Log", "LogCategory", "1");
    g_pConfigIni = &config;
    OpenTraceLog();
    g_dwCustomizeSilence = 1;
    {
        CParseArg parser;
        RecordingTarget target;
        parser.Parse_Arg(" -x \xC3\xA4");
        parser.Excute_Arg(target);
    }
    CloseTraceLog();
    g_pConfigIni = nullptr;

    std::string text = TraceText(folder);
    EXPECT_NE(text.find("CParseArg::Parse_Arg:> Cmd Line:  -x \xC3\xA4\r\n"), std::string::npos) << text;
    EXPECT_NE(text.find("CParseArg::Excute_Arg:> g_dwErrorCode return : 41500\r\n"), std::string::npos)
        << text;
}

} // namespace
