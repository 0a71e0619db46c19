#pragma once

#include "core/SilentTarget.h"
#include "device/ImageFields.h"
#include "device/MpFlow2.h"
#include "model/BuiltInLayouts.h"
#include "model/EestrFormat.h"
#include "model/MpConfig.h"

#include <cstdint>
#include <string>

// The configured chip: its memory kind and bus, its image buffers, the vendor fields of its images and
// every device operation. One of the eight leaf classes is created per process (CreateDevTypeInfo).
class CDevTypeInfo : public CMpFlow2, public CMpConfig, public CEestrFormat, public ISilentTarget {
public:
    ~CDevTypeInfo() override;

    DevTypeClass GetDevTypeClass() const { return m_devClass; }
    const BuiltInLayout& Layout() const { return GetBuiltInLayout(m_devClass); }

    // Vendor fields of the upload image, of the download image (each through its vendor window) and of
    // an image the caller passes.
    ImageFields UploadFields() { return ImageFields(Layout(), UploadWindow()); }
    ImageFields DownloadFields() { return ImageFields(Layout(), DownloadWindow()); }
    ImageFields FieldsOf(uint8_t* image, size_t size) {
        return ImageFields(Layout(), ImageWindow{image, size});
    }

    // Whether an image belongs to the configured chip.
    virtual bool DT_CheckImage(const uint8_t* image, size_t size);
    bool CheckUploadImage() { return DT_CheckImage(GetDataUp(), GetDataUpSize()); }
    bool CheckDownloadImage() { return DT_CheckImage(GetDataDown(), GetDataDownSize()); }

    // Device operations. Unless a class supports one, it reports failure 41500 and returns 0.
    [[nodiscard]] virtual uint32_t DT_Read();
    [[nodiscard]] virtual uint32_t DT_Erase();
    [[nodiscard]] virtual uint32_t DT_Update();
    [[nodiscard]] virtual uint32_t DT_Download();
    [[nodiscard]] virtual uint32_t DT_CheckDevInfo();
    [[nodiscard]] virtual uint32_t DT_WaitCheckDevInfo(uint32_t flag);
    [[nodiscard]] virtual uint32_t DT_GetFwVersion();
    [[nodiscard]] virtual uint32_t DT_LoadFwVersion();
    [[nodiscard]] virtual uint32_t DT_UpdateSocket(uint32_t socket);
    [[nodiscard]] virtual uint32_t DT_UpdateReader(uint32_t index);
    [[nodiscard]] virtual uint32_t DT_ScanReaders(uint32_t flag);
    [[nodiscard]] virtual uint32_t DT_CheckReaders();
    [[nodiscard]] virtual uint32_t DT_ResetReaders();
    [[nodiscard]] virtual uint32_t DT_WaitReaders();

    // Silent operations of the command line. Unless a class supports one, it records 41500 in
    // g_dwErrorCode (no message) and returns 0.
    [[nodiscard]] uint32_t DT_SilentWriteBin(const std::string& path) override;
    [[nodiscard]] uint32_t DT_SilentReadBin(const std::string& path) override;
    [[nodiscard]] uint32_t DT_SilentReadTxt(const std::string& path) override;
    [[nodiscard]] uint32_t DT_SilentErase(uint32_t reset) override;
    [[nodiscard]] uint32_t DT_SilentBackup() override;
    void DescribeSilentRun(char option, const std::string& argument, OperationRecord& record) override;

    [[nodiscard]] uint32_t LoadLib() override { return CVrkLibExternalUse::LoadLib(); }
    [[nodiscard]] uint32_t LoadFun() override { return CVrkLibExternalUse::LoadFun(); }
    std::string MissingEntry() const override { return CVrkLibExternalUse::MissingEntry(); }
    uint32_t UnloadLib() override { return CVrkLibExternalUse::UnloadLib(); }

    // Releases the images as well as the readers and the library.
    void CloseSession() override;

    // State of the firmware-update operations and the three-socket station.
    uint32_t m_dwDevCount = 0;
    uint32_t m_bSkipReset = 0;
    uint16_t m_wFwVersion = 0;
    uint16_t m_wSubVersion = 0;
    std::string m_strDevFwInfo;
    std::string m_strSocketFile[kSocketCount];
    std::string m_strSocketText[kSocketCount];

protected:
    explicit CDevTypeInfo(DevTypeClass devClass) : m_devClass(devClass) {}

    // Reports "Not Support!" for an operation this chip does not have.
    static uint32_t NotSupported();
    static uint32_t SilentNotSupported();

private:
    DevTypeClass m_devClass;
};

// The one device-type object of the process.
extern CDevTypeInfo* g_pDevTypeInfo;

// Replaces g_pDevTypeInfo by a new object of the class for g_ProjectType and g_BusType and sets
// g_dwErrorCode to 0.
void CreateDevTypeInfo();
// Releases and deletes g_pDevTypeInfo (nothing when there is none).
void DestroyDevTypeInfo();
