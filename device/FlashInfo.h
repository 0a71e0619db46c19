#pragma once

#include "device/MpFlowFlash.h"
#include "model/SilentFiles.h"

// The FLASH device types: the vendor area of the reader's firmware flash.

class CFlashInfo_USB : public CMpFlow_Flash {
public:
    CFlashInfo_USB() : CMpFlow_Flash(DevTypeClass::FlashUsb) {}
    // The vendor block is searched in the object's own images only, and its position is kept as the
    // image's vendor window.
    bool DT_CheckImage(const uint8_t* image, size_t size) override;

    [[nodiscard]] uint32_t DT_Read() override;
    [[nodiscard]] uint32_t DT_Erase() override;
    [[nodiscard]] uint32_t DT_Update() override;
    [[nodiscard]] uint32_t DT_Download() override;

    // -w loads the file, checks the reader's versions and then downloads; -r and -t read and dump.
    [[nodiscard]] uint32_t DT_SilentWriteBin(const std::string& path) override;
    [[nodiscard]] uint32_t DT_SilentReadBin(const std::string& path) override;
    [[nodiscard]] uint32_t DT_SilentReadTxt(const std::string& path) override;

    // Before a silent write: exactly one reader, open, and the "Check ..." versions match (41513,
    // 41511, 41905). Leaves the reader closed.
    [[nodiscard]] uint32_t CheckDeviceForSilentWrite();

    // Firmware-update operations of the update dialogs and the station (device/FlashFirmwareOps.cpp).
    // Status goes out as UM_FW_STATUS (41906/41905 or 41511, 41512, 41513), versions as UM_FW_VERSIONS;
    // each leaves no reader open.
    [[nodiscard]] uint32_t DT_CheckDevInfo() override;
    [[nodiscard]] uint32_t DT_WaitCheckDevInfo(uint32_t flag) override;
    [[nodiscard]] uint32_t DT_GetFwVersion() override;
    [[nodiscard]] uint32_t DT_LoadFwVersion() override;
    [[nodiscard]] uint32_t DT_UpdateSocket(uint32_t socket) override;
    [[nodiscard]] uint32_t DT_UpdateReader(uint32_t index) override;
    [[nodiscard]] uint32_t DT_ScanReaders(uint32_t flag) override;
    [[nodiscard]] uint32_t DT_CheckReaders() override;
    [[nodiscard]] uint32_t DT_ResetReaders() override;
    [[nodiscard]] uint32_t DT_WaitReaders() override;

    // The firmware-table section of config.ini whose "Rom FwVersion" is the reader's firmware key:
    // sets m_strDownloadFile and m_strDevFwInfo and returns 1; 0 leaves both unchanged.
    [[nodiscard]] uint32_t FindFwFile(uint32_t firmwareKey);

private:
    [[nodiscard]] uint32_t SilentRead(const std::string& path, DumpFormat format);
};

class CFlashInfo_PCIE : public CDevTypeInfo {
public:
    CFlashInfo_PCIE() : CDevTypeInfo(DevTypeClass::FlashPcie) {}
};
