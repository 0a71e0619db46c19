#include "model/MpConfig.h"

#include "model/DefaultImages.h"
#include "model/IcTypeIni.h"
#include "model/ImageChecks.h"
#include "platform/FileSystem.h"
#include "platform/ProgramFolder.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <new>

namespace {

ImageWindow WindowOf(uint8_t* data, uint32_t size, uint8_t* vendor) {
    if (data == nullptr || size == 0)
        return {};
    if (vendor == nullptr)
        return {data, size};
    return {vendor, size - static_cast<size_t>(vendor - data)};
}

// The file a user-given name stands for: the name as it is, or else the one file of its folder whose
// name equals it ignoring case. Wildcards are never expanded.
std::string ResolveImageFile(std::string path) {
    MakeAbsolutePath(path);
    if (platform::IsRegularFile(path))
        return path;
    const std::string folder = platform::FolderOf(path);
    const std::string name = path.substr(folder.size());
    if (name.empty() || name.find_first_of("*?") != std::string::npos)
        return std::string();
    std::vector<std::string> matches = platform::FindFiles(folder, name);
    return matches.empty() ? std::string() : folder + matches.front();
}

} // namespace

ImageWindow CMpConfig::UploadWindow() const {
    return WindowOf(m_pDataUp.get(), m_dwDataUpSize, m_pVendorUp);
}

ImageWindow CMpConfig::DownloadWindow() const {
    return WindowOf(m_pDataDown.get(), m_dwDataDownSize, m_pVendorDown);
}

void CMpConfig::Replace(Image image, std::span<const uint8_t> bytes) {
    // Copied before the old buffer goes, so the bytes may come from it.
    std::unique_ptr<uint8_t[]> data;
    if (!bytes.empty()) {
        data = std::make_unique<uint8_t[]>(bytes.size());
        std::memcpy(data.get(), bytes.data(), bytes.size());
    }
    image.vendor = nullptr;
    image.data = std::move(data);
    image.size = static_cast<uint32_t>(bytes.size());
}

bool CMpConfig::LoadFile(const std::string& fileName, Image image, const char* traceName) {
    TraceScope scope(traceName, kTraceDevice);
    if (fileName.empty())
        return false;
    const std::string path = ResolveImageFile(fileName);
    if (path.empty()) {
        TraceLine(scope, "No file matches %s\n", fileName.c_str());
        return false;
    }
    std::optional<std::vector<uint8_t>> bytes = platform::ReadWholeFile(path);
    if (!bytes || bytes->size() > std::numeric_limits<uint32_t>::max()) {
        TraceLine(scope, "Cannot read %s\n", path.c_str());
        return false;
    }
    Replace(image, *bytes);
    TraceLine(scope, "%s : %u bytes\n", path.c_str(), image.size);
    return image.size != 0;
}

bool CMpConfig::LoadUploadFile() {
    return LoadFile(m_strUploadFile, Upload(), "CMpConfig::LoadUploadFile");
}

bool CMpConfig::LoadDownloadFile() {
    return LoadFile(m_strDownloadFile, Download(), "CMpConfig::LoadDownloadFile");
}

void CMpConfig::SetUploadImage(std::span<const uint8_t> bytes) {
    Replace(Upload(), bytes);
}

void CMpConfig::SetDownloadImage(std::span<const uint8_t> bytes) {
    Replace(Download(), bytes);
}

bool CMpConfig::AllocUploadImage(uint32_t size, uint8_t fill) {
    Replace(Upload(), {});
    if (size == 0)
        return true;
    std::unique_ptr<uint8_t[]> data(new (std::nothrow) uint8_t[size]);
    if (!data)
        return false;
    std::memset(data.get(), fill, size);
    m_pDataUp = std::move(data);
    m_dwDataUpSize = size;
    return true;
}

bool CMpConfig::AllocWorkBuffers(uint32_t n) {
    m_pWorkBuf1.reset();
    m_pWorkBuf2.reset();
    m_dwWorkBufSize = 0;
    std::unique_ptr<uint8_t[]> first(new (std::nothrow) uint8_t[n]);
    std::unique_ptr<uint8_t[]> second(new (std::nothrow) uint8_t[n]);
    if (!first || !second)
        return false;
    m_pWorkBuf1 = std::move(first);
    m_pWorkBuf2 = std::move(second);
    m_dwWorkBufSize = n;
    return true;
}

void CMpConfig::ReleaseBuffers() {
    Replace(Upload(), {});
    Replace(Download(), {});
    m_pWorkBuf1.reset();
    m_pWorkBuf2.reset();
    m_dwWorkBufSize = 0;
    m_strUploadFile.clear();
    m_strDownloadFile.clear();
}

bool CMpConfig::LocateVendorArea(const uint8_t* image, bool bApplyPreOffset, uint8_t byPreOffset) {
    if (image == nullptr || (image != m_pDataUp.get() && image != m_pDataDown.get()))
        return false;
    Image target = image == m_pDataUp.get() ? Upload() : Download();
    std::optional<size_t> offset =
        FindInfoBlock(target.data.get(), target.size, bApplyPreOffset, byPreOffset);
    target.vendor = offset ? target.data.get() + *offset : nullptr;
    return offset.has_value();
}

void CMpConfig::LoadDefaultImage(const CIcTypeIni& icTypeIni) {
    TraceScope scope("CMpConfig::LoadDefaultImage", kTraceDevice);
    uint16_t id = 0;
    if (!icTypeIni.m_IniFileNames.empty() && icTypeIni.GetDefaultImageId(id) && id != 0) {
        std::span<const uint8_t> image = FindDefaultImage(id);
        TraceLine(scope, "Default image %u : %zu bytes\n", id, image.size());
        if (!image.empty())
            SetUploadImage(image);
        return;
    }
    if (m_pDataUp)
        std::fill_n(m_pDataUp.get(), m_dwDataUpSize, uint8_t{0xFF});
}
