#pragma once

#include "app/TraceLog.h"
#include "core/SilentTarget.h"

#include <cstdint>
#include <string>

// What a command line asks for.
struct ParsedCommandLine {
    // True: run the option without any window; false: show the dialog.
    bool bCommandLineRun = false;
    // 'W', 'R', 'T', 'I', 'E', 'C', 'H' (also for -?), 'L' (reduced grammar); 0 when none was found.
    char chOption = 0;
    // The text after the option up to the end of the line, as typed; empty for options without one.
    std::string strArgument;
};

// Matches a command line (a leading blank, then the arguments joined by single blanks) against the
// option grammar. Options are found by text, not by position: " -W ", " -R ", " -T ", " -I " are
// tested first, in that order, then " -E", " -C", " -H", " -?"; the first one present decides, and an
// option with a file takes everything after it. With the reduced grammar only " -LUN " is known and
// the run is a command-line run whether or not it is present.
ParsedCommandLine ParseCommandLine(const std::string& commandLine, bool reducedGrammar);

// The text shown for -h and -?: the caption "Reader<short memory-kind name>" on its own line, then one
// line per option.
std::string UsageText(uint32_t memoryKind);

// Runs one silent option on the target: binds the reader library (41501, 41502 as fatal results),
// calls the matching device-type operation and releases the library. Sets g_dwErrorCode to 0 first,
// so it ends as 0 after a success and as the last failure reported otherwise; -i and unknown letters
// give 41500. Returns the operation's own result.
uint32_t RunSilentCommand(ISilentTarget& target, char option, const std::string& argument);

// The command-line parser of the application.
class CParseArg : public CDumpStr {
public:
    // 1 when the run is a command-line run, 0 when the dialog is to be shown. The grammar is chosen by
    // g_dwCustomizeSilence.
    uint32_t Parse_Arg(const std::string& commandLine);
    // Executes what Parse_Arg found: the usage text for -h and -?, a silent operation otherwise. Always
    // 0; the outcome is in g_dwErrorCode.
    uint32_t Excute_Arg(ISilentTarget& target);

    char m_chOption = 0;
    std::string m_strArgument;
    // Whether Parse_Arg used the reduced grammar.
    bool m_bReducedGrammar = false;
};
