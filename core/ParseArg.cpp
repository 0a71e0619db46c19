#include "core/ParseArg.h"

#include "app/Messages.h"
#include "core/Broadcast.h"
#include "core/MessageIds.h"
#include "core/OperationHistory.h"
#include "model/IcTypeIni.h"
#include "platform/Clock.h"
#include "platform/CommandLine.h"
#include "platform/Desktop.h"

#include <array>
#include <cstdio>
#include <string_view>

namespace {

struct OptionPattern {
    std::string_view text;
    char option;
    bool takesArgument;
};

// Tested in this order; the first one found anywhere on the line decides.
constexpr std::array<OptionPattern, 8> kOptions = {{
    {" -W ", 'W', true},
    {" -R ", 'R', true},
    {" -T ", 'T', true},
    {" -I ", 'I', true},
    {" -E", 'E', false},
    {" -C", 'C', false},
    {" -H", 'H', false},
    {" -?", 'H', false},
}};

constexpr std::string_view kLunOption = " -LUN ";

constexpr const char* kUsageLines = "-w file.bin : Write the data in the binary file to EFUSE/EEPROM/FLASH.\n"
                                    "-r file.bin : Dump the EFUSE/EEPROM/FLASH data into the binary file.\n"
                                    "-t file.bin : Dump the EFUSE/EEPROM/FLASH data into the text file.\n"
                                    "-e          : Erase EEPROM/FLASH data of reader.\n"
                                    "-c          : Erase EEPROM/FLASH data of reader. (no reset)\n";

// Only ASCII letters change, so every position in the copy is the same position in the original.
std::string AsciiUpper(const std::string& text) {
    std::string upper = text;
    for (char& c : upper) {
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    }
    return upper;
}

// Binds the reader library of the target; on failure reports the fatal result and leaves nothing
// loaded.
bool BindLibrary(ISilentTarget& target) {
    if (!target.LoadLib()) {
        BroadcastResult(UM_FATAL, IDS_LOAD_LIB_FAIL, 0);
        return false;
    }
    if (!target.LoadFun()) {
        // Which entry is missing tells the user which library build to take.
        std::fprintf(stderr, "quillix: the reader library lacks the entry %s.\n",
                     target.MissingEntry().c_str());
        BroadcastResult(UM_FATAL, IDS_LOAD_FUN_FAIL, 0);
        target.UnloadLib();
        return false;
    }
    return true;
}

// The failure code of an option for a memory kind, for an operation that failed without reporting
// one: a failure must never end the run with exit status 0.
ResultCode FallbackFailureCode(char option, uint32_t memoryKind) {
    struct Row {
        ResultCode write, read, erase;
    };
    static constexpr Row kByKind[] = {
        {IDS_UPDATE_EFUSE_FAIL, IDS_READ_EFUSE_FAIL, IDS_EFUSE_INITIAL_INVALID}, // EFUSE
        {IDS_UPDATE_FLASH_FAIL, IDS_READ_FLASH_FAIL, IDS_ERASE_FLASH_FAIL},      // FLASH
        {IDS_UPDATE_EEPROM_FAIL, IDS_READ_EEPROM_FAIL, IDS_ERASE_EEPROM_FAIL},   // EEPROM
    };
    if (memoryKind >= sizeof(kByKind) / sizeof(kByKind[0]))
        return IDS_NOT_SUPPORT;
    const Row& row = kByKind[memoryKind];
    switch (option) {
    case 'W':
        return row.write;
    case 'R':
    case 'T':
        return row.read;
    default:
        return row.erase;
    }
}

// The history's name of each silent option that reaches a reader; nullptr for the others.
const char* SilentOperationName(char option) {
    switch (option) {
    case 'W':
        return "write";
    case 'R':
        return "read";
    case 'T':
        return "read-text";
    case 'E':
        return "erase";
    case 'C':
        return "erase-no-reset";
    default:
        return nullptr;
    }
}

// The options that change the memory, and so get a backup first when one is configured.
bool IsDestructive(char option) {
    return option == 'W' || option == 'E' || option == 'C';
}

uint32_t RunOption(ISilentTarget& target, char option, const std::string& argument) {
    if (IsDestructive(option) && !target.DT_SilentBackup())
        return 0;
    switch (option) {
    case 'W':
        return target.DT_SilentWriteBin(argument);
    case 'R':
        return target.DT_SilentReadBin(argument);
    case 'T':
        return target.DT_SilentReadTxt(argument);
    case 'E':
        return target.DT_SilentErase(1);
    case 'C':
        return target.DT_SilentErase(0);
    default:
        g_dwErrorCode = IDS_NOT_SUPPORT;
        return 0;
    }
}

} // namespace

ParsedCommandLine ParseCommandLine(const std::string& commandLine, bool reducedGrammar) {
    ParsedCommandLine parsed;
    std::string upper = AsciiUpper(commandLine);
    if (reducedGrammar) {
        parsed.bCommandLineRun = true;
        size_t pos = upper.find(kLunOption);
        if (pos != std::string::npos) {
            parsed.chOption = 'L';
            parsed.strArgument = commandLine.substr(pos + kLunOption.size());
        }
        return parsed;
    }
    for (const OptionPattern& pattern : kOptions) {
        size_t pos = upper.find(pattern.text);
        if (pos == std::string::npos)
            continue;
        parsed.bCommandLineRun = true;
        parsed.chOption = pattern.option;
        if (pattern.takesArgument)
            parsed.strArgument = commandLine.substr(pos + pattern.text.size());
        return parsed;
    }
    return parsed;
}

std::string UsageText(uint32_t memoryKind) {
    return ResultCaption(memoryKind) + "\n" + kUsageLines;
}

uint32_t RunSilentCommand(ISilentTarget& target, char option, const std::string& argument) {
    g_dwErrorCode = 0;
    const uint32_t start = platform::GetTickCount();
    const char* operation = SilentOperationName(option);
    OperationRecord record = StartRecord("cli", operation ? operation : "");
    uint32_t result = 0;
    if (BindLibrary(target)) {
        result = RunOption(target, option, argument);
        target.UnloadLib();
        if (result == 0 && g_dwErrorCode == 0)
            g_dwErrorCode = FallbackFailureCode(option, g_ProjectType);
    }
    if (operation) {
        record.result = result == 1 ? 0 : g_dwErrorCode;
        target.DescribeSilentRun(option, argument, record);
        FinishRecord(record, start, record.result);
    }
    return result;
}

uint32_t CParseArg::Parse_Arg(const std::string& commandLine) {
    TraceScope scope("CParseArg::Parse_Arg", kTraceApp);
    TraceLine(scope, "Cmd Line: %s\n", commandLine.c_str());
    m_bReducedGrammar = g_dwCustomizeSilence == 1;
    ParsedCommandLine parsed = ParseCommandLine(platform::PrepareCommandLine(commandLine), m_bReducedGrammar);
    m_chOption = parsed.chOption;
    m_strArgument = parsed.strArgument;
    return parsed.bCommandLineRun ? 1 : 0;
}

uint32_t CParseArg::Excute_Arg(ISilentTarget& target) {
    TraceScope scope("CParseArg::Excute_Arg", kTraceApp);
    if (m_bReducedGrammar) {
        // " -LUN " only checks that the reader library loads and binds; its argument is not used.
        if (m_chOption == 'L') {
            g_dwErrorCode = 0;
            if (BindLibrary(target))
                target.UnloadLib();
        } else {
            g_dwErrorCode = IDS_NOT_SUPPORT;
        }
    } else {
        switch (m_chOption) {
        case 'C':
        case 'E':
        case 'I':
        case 'R':
        case 'T':
        case 'W':
            RunSilentCommand(target, m_chOption, m_strArgument);
            break;
        default:
            if (!platform::ShowMessageOnDesktop(ResultCaption(g_ProjectType), kUsageLines)) {
                std::fputs(UsageText(g_ProjectType).c_str(), stdout);
                std::fflush(stdout);
            }
            break;
        }
    }
    TraceLine(scope, "g_dwErrorCode return : %d\n", static_cast<int>(g_dwErrorCode));
    return 0;
}
