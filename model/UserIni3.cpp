#include "model/UserIni3.h"

#include "platform/Text.h"

namespace {

constexpr size_t kInquiryProductChars = 16;

} // namespace

bool CUserIni3::GetModeLunStr(unsigned mode, unsigned lun, std::string& product) const {
    const int index = FindSection(kSectionVendorS2);
    const std::string suffixText =
        platform::IniBytesToUtf8(GetString(index, platform::StrPrintf("Mode%u_Lun%u_Str", mode, lun), ""));
    const size_t pos = GetNumber(index, platform::StrPrintf("Mode%u_Lun%u_Pos", mode, lun), 16);
    const size_t width = pos < kInquiryProductChars ? kInquiryProductChars - pos : 0;
    std::string suffix = platform::LeftChars(suffixText, width);
    suffix.append(width - platform::CharCount(suffix), ' ');
    product = platform::LeftChars(product, pos) + suffix;
    return true;
}

uint32_t CUserIni3::GetUIType() const {
    return GetSettingNumber(kSectionVendorP3, "UI Type", 0);
}
