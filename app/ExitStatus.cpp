#include "app/ExitStatus.h"

#include "app/Messages.h"
#include "platform/Text.h"

namespace {

struct ResultFamily {
    ResultCode first;
    ResultCode last;
    int firstStatus;
};

constexpr ResultFamily kFamilies[] = {
    {41500, 41539, 10}, {41600, 41609, 50}, {41700, 41709, 60},
    {41740, 41749, 70}, {41800, 41809, 80}, {41900, 41909, 90},
};

} // namespace

int ExitStatusForResult(ResultCode code) {
#ifdef _WIN32
    // A Windows exit code holds the whole result code.
    return static_cast<int>(code);
#endif
    if (code == 0)
        return 0;
    for (const ResultFamily& family : kFamilies) {
        if (code >= family.first && code <= family.last)
            return family.firstStatus + static_cast<int>(code - family.first);
    }
    return 1;
}

std::string ResultReport(ResultCode code) {
    std::string text = LoadMessage(code);
    if (text.empty())
        return platform::StrPrintf("quillix: result code %u", code);
    // Line breaks of the message become single blanks.
    std::string report = "quillix: ";
    bool pendingBlank = false;
    for (char c : text) {
        if (c == '\n') {
            pendingBlank = true;
            continue;
        }
        if (pendingBlank)
            report += ' ';
        pendingBlank = false;
        report += c;
    }
    return report + platform::StrPrintf(" (%u)", code);
}
