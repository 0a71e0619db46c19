#pragma once

#include "app/TraceLog.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>

class CIcTypeIni;

// Part of an image that vendor fields are read from: the whole image, or the vendor area of a FLASH
// image from its start to the image end. Empty when there is no image.
struct ImageWindow {
    uint8_t* pData = nullptr;
    size_t nSize = 0;
};

// The image buffers of the device-type object: the upload image (read from the chip, loaded in the
// editor or a default image), the download image (loaded from a file) and the work buffers of the FLASH
// flows. The buffers are owned here and replaced only through these operations; replacing an image
// clears its vendor-area pointer, so the pointer never outlives the buffer it points into.
class CMpConfig : public CDumpStr {
public:
    CMpConfig() = default;
    virtual ~CMpConfig() = default;
    CMpConfig(const CMpConfig&) = delete;
    CMpConfig& operator=(const CMpConfig&) = delete;

    uint8_t* GetDataUp() const { return m_pDataUp.get(); }
    uint32_t GetDataUpSize() const { return m_dwDataUpSize; }
    uint8_t* GetVendorUp() const { return m_pVendorUp; }
    uint8_t* GetDataDown() const { return m_pDataDown.get(); }
    uint32_t GetDataDownSize() const { return m_dwDataDownSize; }
    uint8_t* GetVendorDown() const { return m_pVendorDown; }
    uint8_t* GetWorkBuf1() const { return m_pWorkBuf1.get(); }
    uint8_t* GetWorkBuf2() const { return m_pWorkBuf2.get(); }
    uint32_t GetWorkBufSize() const { return m_dwWorkBufSize; }

    // The vendor window of each image.
    ImageWindow UploadWindow() const;
    ImageWindow DownloadWindow() const;

    // Reads m_strUploadFile (relative paths are taken from the program folder; the name is matched
    // ignoring case) into the upload image. False when the name is empty, no file matches or the file
    // cannot be read (the image then stays as it was), or the file is empty (the image is then released).
    bool LoadUploadFile();
    bool LoadDownloadFile();

    // Replace an image by a copy of the bytes (none: the image is released).
    void SetUploadImage(std::span<const uint8_t> bytes);
    void SetDownloadImage(std::span<const uint8_t> bytes);
    // Replace the upload image by `size` bytes of `fill`; false when the memory cannot be had.
    bool AllocUploadImage(uint32_t size, uint8_t fill);

    // Both work buffers with n bytes each (their old content is dropped); false when either allocation
    // fails, in which case neither buffer is kept.
    bool AllocWorkBuffers(uint32_t n);
    // Frees all four buffers and empties the file names.
    void ReleaseBuffers();

    // The USB FLASH image check: finds the vendor-information block of one of the two images and records
    // where its vendor area starts (cleared when none is found). False for any other buffer.
    bool LocateVendorArea(const uint8_t* image, bool bApplyPreOffset, uint8_t byPreOffset);

    // Fills the upload image with the default image that the IC INI file's "Def Bin" names. Without an
    // IC INI file or such an image, an existing upload image is filled with 0xFF instead; an image id
    // that is not built in leaves the upload image unchanged.
    void LoadDefaultImage(const CIcTypeIni& icTypeIni);

    std::string m_strUploadFile;
    std::string m_strDownloadFile;

private:
    struct Image {
        std::unique_ptr<uint8_t[]>& data;
        uint32_t& size;
        uint8_t*& vendor;
    };
    Image Upload() { return {m_pDataUp, m_dwDataUpSize, m_pVendorUp}; }
    Image Download() { return {m_pDataDown, m_dwDataDownSize, m_pVendorDown}; }
    static void Replace(Image image, std::span<const uint8_t> bytes);
    static bool LoadFile(const std::string& fileName, Image image, const char* traceName);

    std::unique_ptr<uint8_t[]> m_pDataUp;
    uint32_t m_dwDataUpSize = 0;
    uint8_t* m_pVendorUp = nullptr;
    std::unique_ptr<uint8_t[]> m_pDataDown;
    uint32_t m_dwDataDownSize = 0;
    uint8_t* m_pVendorDown = nullptr;
    std::unique_ptr<uint8_t[]> m_pWorkBuf1;
    std::unique_ptr<uint8_t[]> m_pWorkBuf2;
    uint32_t m_dwWorkBufSize = 0;
};
