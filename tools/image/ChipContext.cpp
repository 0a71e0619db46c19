#include "tools/image/ChipContext.h"

#include "app/QuillixApp.h"
#include "core/ResultCodes.h"
#include "device/DevTypeClasses.h"
#include "device/EfuseWriteRule.h"
#include "device/MpFlowEeprom.h"
#include "model/ConfigIni.h"
#include "model/IcTypeIni.h"
#include "model/SilentFiles.h"
#include "platform/FileSystem.h"
#include "platform/ProgramFolder.h"

#include <filesystem>
#include <fstream>
#include <limits>

namespace {

void DeleteProjectObjects() {
    DestroyDevTypeInfo();
    delete g_pIcTypeIni;
    g_pIcTypeIni = nullptr;
    delete g_pConfigIni;
    g_pConfigIni = nullptr;
}

std::string FileNameOf(const std::string& path) {
    return std::filesystem::path(path).filename().string();
}

// The largest image each memory kind holds: the whole fuse area, the EEPROM flow's limit, and what the
// image buffers address.
uint64_t MaxImageSize(MemoryKind kind) {
    switch (kind) {
    case EFUSE:
        return EfuseImageSize(EfuseGeneration::Mapped);
    case EEPROM:
        return CMpFlow_Eeprom::kMaxImageSize;
    case FLASH:
    case SERIALFLASH:
        break;
    }
    return std::numeric_limits<uint32_t>::max();
}

} // namespace

ChipContext::~ChipContext() {
    DeleteProjectObjects();
}

ResultCode ChipContext::Load(const ChipChoice& choice, std::string& error) {
    DeleteProjectObjects();
    g_ProjectType = FLASH;
    g_BusType = USB;
    g_pIcTypeIni = new CIcTypeIni();
    if (!choice.strIcIni.empty()) {
        std::string path = choice.strIcIni;
        if (!std::filesystem::path(path).is_absolute())
            path = platform::CurrentDirectory() + platform::kPathSeparator + path;
        if (!platform::IsRegularFile(path)) {
            error = "cannot read IC INI file " + choice.strIcIni;
            return IDS_LOAD_FILE_DATA_FAIL;
        }
        g_pIcTypeIni->m_strIniName = FileNameOf(path);
        g_pIcTypeIni->m_IniFileNames = {g_pIcTypeIni->m_strIniName};
        g_pIcTypeIni->SetPath(path);
        if (!g_pIcTypeIni->Load()) {
            error = "IC INI file " + choice.strIcIni + " does not load";
            return IDS_LOAD_FILE_DATA_FAIL;
        }
        g_pIcTypeIni->Parse_ProjectType();
    } else if (choice.kind) {
        g_ProjectType = *choice.kind;
        g_BusType = choice.bus;
    } else {
        // The program folder's configuration, read as quillix reads it at start-up; nothing is saved.
        g_pConfigIni = new CIniFile();
        g_pConfigIni->SetPath(CQuillixApp::ConfigFilePath());
        (void)g_pConfigIni->Load(); // a missing configuration leaves the first IC INI file to choose
        g_pIcTypeIni->LoadUserSetting();
        g_pIcTypeIni->ListIniFiles();
        if (!g_pIcTypeIni->m_IniFileNames.empty() && !g_pIcTypeIni->LoadIcIni()) {
            error = "IC INI file " + g_pIcTypeIni->m_strIniName + " of the program folder does not load";
            return IDS_LOAD_FILE_DATA_FAIL;
        }
        g_pIcTypeIni->Parse_ProjectType();
    }
    CreateDevTypeInfo();
    return 0;
}

ResultCode LoadFailureCode(MemoryKind kind) {
    switch (kind) {
    case EFUSE:
        return IDS_LOAD_EFUSE_DATA_FAIL;
    case FLASH:
        return IDS_LOAD_FLASH_DATA_FAIL;
    case EEPROM:
        return IDS_LOAD_EEPROM_DATA_FAIL;
    case SERIALFLASH:
        break;
    }
    return IDS_LOAD_FILE_DATA_FAIL;
}

ResultCode ReadImageFile(const std::string& path, std::vector<uint8_t>& bytes, std::string& error) {
    const ResultCode failure = LoadFailureCode(g_ProjectType);
    if (!platform::IsRegularFile(path)) {
        error = "cannot read image " + path;
        return failure;
    }
    std::error_code ec;
    const uintmax_t size = std::filesystem::file_size(path, ec);
    if (ec || size > MaxImageSize(g_ProjectType)) {
        error = "image " + path + " is larger than " + MemoryKindKey(g_ProjectType) + " memory holds";
        return failure;
    }
    if (size == 0) {
        error = "image " + path + " is empty";
        return failure;
    }
    // Read at its known size in one go: a 64 MiB FLASH image is not grown chunk by chunk.
    std::ifstream in(path, std::ios::binary);
    std::vector<uint8_t> read(static_cast<size_t>(size));
    if (!in.read(reinterpret_cast<char*>(read.data()), static_cast<std::streamsize>(read.size())) ||
        in.peek() != std::ifstream::traits_type::eof()) {
        error = "cannot read image " + path + " whole";
        return failure;
    }
    bytes = std::move(read);
    return 0;
}

ResultCode WriteImageFile(const std::string& path, const std::vector<uint8_t>& bytes, std::string& error) {
    if (!SaveSilentDump(path, DumpFormat::kBinary, bytes.data(), bytes.size())) {
        error = "cannot write " + path;
        return IDS_SAVE_FILE_DATA_FAIL;
    }
    return 0;
}

std::string MemoryKindKey(MemoryKind kind) {
    switch (kind) {
    case EFUSE:
        return "efuse";
    case FLASH:
        return "flash";
    case EEPROM:
        return "eeprom";
    case SERIALFLASH:
        return "serialflash";
    }
    return "unknown";
}

std::string BusKey(BusType bus) {
    return bus == PCIE ? "pcie" : "usb";
}
