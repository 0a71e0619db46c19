#include "view/update/StatusTone.h"

#include <array>
#include <utility>

namespace {

// Words of the status texts and message strings, in the order they are tested: "Detect Device Fail"
// means no reader, not a failed one; "Firmware Update Finished" is finished, "Firmware Update Fail"
// failed.
constexpr std::array<std::pair<const char*, StatusTone>, 8> kWords = {{
    {"Not detect", StatusTone::Absent},
    {"Detect Device Fail", StatusTone::Absent},
    {"Updating", StatusTone::Updating},
    {"Fail", StatusTone::Failed},
    {"FAIL", StatusTone::Failed},
    {"more than one", StatusTone::Failed},
    {"Finished", StatusTone::Finished},
    {"Succeed", StatusTone::Finished},
}};

} // namespace

StatusTone ToneOfStatus(const std::string& text, bool busy) {
    if (busy)
        return StatusTone::Updating;
    for (const auto& [word, tone] : kWords)
        if (text.find(word) != std::string::npos)
            return tone;
    return StatusTone::Plain;
}
