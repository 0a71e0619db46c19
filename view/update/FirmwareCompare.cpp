#include "view/update/FirmwareCompare.h"

#include "app/Messages.h"
#include "app/TraceLog.h"
#include "device/DevTypeInfo.h"
#include "model/IcTypeIni.h"
#include "model/ImageChecks.h"
#include "platform/FileSystem.h"
#include "platform/Text.h"

#include <cstring>

namespace {

// The vendor block: the fields lie in its first "PreOffset" + 128 bytes, the next 128 are kept raw.
constexpr size_t kInfoHalf = 128;

constexpr uint32_t kBlue = 0x0000FF;
constexpr uint32_t kRed = 0xFF0000;

uint8_t PreOffset() {
    return static_cast<uint8_t>(g_pIcTypeIni ? g_pIcTypeIni->GetPreOffset() : 0);
}

std::optional<size_t> InfoBlock(const uint8_t* image, size_t size) {
    const bool applyPreOffset = g_pIcTypeIni && !g_pIcTypeIni->m_IniFileNames.empty();
    return FindInfoBlock(image, size, applyPreOffset, PreOffset());
}

} // namespace

bool ReferenceMatches(const uint8_t* image, size_t imageSize, const uint8_t* reference,
                      size_t referenceSize) {
    if (!image || !reference || referenceSize == 0 || referenceSize > imageSize)
        return false;
    return std::memcmp(image, reference, referenceSize) == 0;
}

bool CopyHoldInfo(CDevTypeInfo& dev, const uint8_t* from, size_t fromSize, uint8_t* to, size_t toSize) {
    std::optional<size_t> oldBlock = InfoBlock(from, fromSize);
    std::optional<size_t> newBlock = InfoBlock(to, toSize);
    if (!oldBlock || !newBlock)
        return false;
    const size_t fieldsSize = PreOffset() + kInfoHalf;
    auto fits = [&](size_t block, size_t size) { return block + fieldsSize + kInfoHalf <= size; };
    if (!fits(*oldBlock, fromSize) || !fits(*newBlock, toSize))
        return false;
    std::memcpy(to + *newBlock + fieldsSize, from + *oldBlock + fieldsSize, kInfoHalf);
    // The field codec writes only into the block it is given; the source is read through a copy.
    std::vector<uint8_t> source(from + *oldBlock, from + *oldBlock + fieldsSize);
    ImageFields reader = dev.FieldsOf(source.data(), source.size());
    ImageFields writer = dev.FieldsOf(to + *newBlock, fieldsSize);
    writer.SetVID(reader.GetVID());
    writer.SetPID(reader.GetPID());
    writer.SetUSBStrings(reader.GetManufacturer(), reader.GetProduct(), reader.GetSerialNumber());
    return true;
}

std::optional<std::string> FindMatchingReference(CDevTypeInfo& dev, const std::vector<std::string>& files,
                                                 bool holdInfo) {
    TraceScope scope("CPatchPkgDlg4::CompareFirmware", kTraceApp);
    for (const std::string& file : files) {
        dev.m_strDownloadFile = file;
        // A file that cannot be read leaves the previous reference in the buffer: never compare that.
        if (!dev.LoadDownloadFile() || dev.GetDataDownSize() == 0) {
            TraceLine(scope, "Skipped %s\n", file.c_str());
            continue;
        }
        if (holdInfo)
            CopyHoldInfo(dev, dev.GetDataUp(), dev.GetDataUpSize(), dev.GetDataDown(), dev.GetDataDownSize());
        if (ReferenceMatches(dev.GetDataUp(), dev.GetDataUpSize(), dev.GetDataDown(),
                             dev.GetDataDownSize())) {
            TraceLine(scope, "Match: %s\n", file.c_str());
            return file;
        }
    }
    return std::nullopt;
}

std::vector<std::string> ReferenceFiles(const std::string& folder) {
    std::vector<std::string> files;
    std::string prefix = folder;
    if (!prefix.empty() && prefix.back() != '/')
        prefix += '/';
    for (const std::string& name : platform::FindFiles(folder, "*.BIN"))
        files.push_back(prefix + name);
    return files;
}

CheckResultText PassText(const std::string& matchingFile) {
    size_t slash = matchingFile.find_last_of("/\\");
    std::string name = slash == std::string::npos ? matchingFile : matchingFile.substr(slash + 1);
    return {platform::StrPrintf("F/W compare PASS, the F/W version is \n%s", name.c_str()), "PASS", kBlue,
            true};
}

CheckResultText FailText() {
    return {"F/W compare FAIL", "FAIL", kRed, false};
}

CheckResultText ReadFailureText(uint32_t code) {
    if (code == IDS_DETECT_DEVICE_FAIL)
        return {"Cann't Find Corvane Card Reader Device\n", "", 0, false};
    if (code == IDS_MORE_THAN_ONE_DEVICE)
        return {"Exist Multiple Corvane Card Reader Device\n", "", 0, false};
    return {LoadMessage(code), "", 0, false};
}
