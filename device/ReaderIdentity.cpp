#include "device/VrkFun.h"

#include "model/IcTypeIni.h"
#include "platform/OsInfo.h"
#include "platform/Process.h"
#include "platform/ProgramFolder.h"
#include "platform/Text.h"

namespace {

// The USB vendor ID of our readers, used in the hardware identifier of the driver refresh.
constexpr uint16_t kReaderVendorId = 0x2C7A;
constexpr uint16_t kDriverProductId = 0x0105;

// One version key as it is compared with the reader.
enum class VersionPart { IcGeneration, IcFwVersion, SubVersion };

struct VersionKey {
    bool (CUserIni::*getter)(uint32_t&) const;
    VersionPart part;
};

constexpr VersionKey kCheckKeys[] = {{&CUserIni::GetCheckIcVersion, VersionPart::IcGeneration},
                                     {&CUserIni::GetCheckFwVersion, VersionPart::IcFwVersion},
                                     {&CUserIni::GetCheckSubVersion, VersionPart::SubVersion}};
constexpr VersionKey kRomKeys[] = {{&CUserIni::GetRomIcVersion, VersionPart::IcGeneration},
                                   {&CUserIni::GetRomFwVersion, VersionPart::IcFwVersion},
                                   {&CUserIni::GetRomSubVersion, VersionPart::SubVersion}};

// 1 when every key that is set matches the reader; every set key is examined.
uint32_t CheckVersionKeys(const VersionKey (&keys)[3], const ReaderStatusEx& statusEx,
                          const ReaderStatus& status) {
    if (!g_pIcTypeIni)
        return 1;
    uint32_t result = 1;
    for (const VersionKey& key : keys) {
        uint32_t value = 0xFFFF;
        if (!(g_pIcTypeIni->*key.getter)(value))
            continue;
        uint16_t wanted = static_cast<uint16_t>(value);
        bool matches = false;
        switch (key.part) {
        case VersionPart::IcGeneration:
            matches = status.bytes[7] == (wanted >> 8);
            break;
        case VersionPart::IcFwVersion:
            matches = status.IcFwVersion() == wanted;
            break;
        case VersionPart::SubVersion:
            matches = statusEx.SubVersion() == wanted;
            break;
        }
        if (!matches)
            result = 0;
    }
    return result;
}

} // namespace

uint32_t CVrkFun::CheckDevVersion(const ReaderStatusEx& statusEx, const ReaderStatus& status) {
    return CheckVersionKeys(kCheckKeys, statusEx, status);
}

uint32_t CVrkFun::CheckRomVersion(const ReaderStatusEx& statusEx, const ReaderStatus& status) {
    return CheckVersionKeys(kRomKeys, statusEx, status);
}

uint32_t CVrkFun::RefreshDriver() {
    std::string hardwareId = platform::StrPrintf("USB\\VID_%04X&PID_%04X", kReaderVendorId, kDriverProductId);
    std::string folder = GetProgramFolder();
    std::string release = g_pOsInfo && g_pOsInfo->bIsWow64 == 1 ? "64bitrelease" : "32bitrelease";
    release += platform::kPathSeparator;
    platform::RunAndWait(folder + release + "udrvup" + platform::kExecutableSuffix,
                         {"update", folder + release + "VrkUStor.inf", hardwareId});
    return 0;
}
