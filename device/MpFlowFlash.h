#pragma once

#include "core/ResultDialog.h"
#include "device/DevTypeInfo.h"

#include <cstdint>
#include <functional>

// How the reader reaches its flash, as its status blocks tell.
enum FlashOpMode : uint32_t {
    kFlashOpCtrlPipe = 0, // control-pipe packets: erase, write and verify, no read
    kFlashOp16 = 1,       // QDReadFlash family, 16-bit addresses and lengths
    kFlashOp32 = 2,       // QDReadFlash2 family, 32-bit addresses
};

// One access method's way to erase, read and write the flash (defined with the table of methods).
struct FlashMethod;

// The FLASH flows: read the reader's flash, erase it, and write an image into it (erase, blocks with the
// tag block last, read-back and compare, reset into the new code), with up to "Flash RetryCount" attempts.
// Every operation returns 1 for success and 0 for failure unless stated, and reports its failure code
// itself; a write attempt's code is reported only after the last attempt.
class CMpFlow_Flash : public CDevTypeInfo {
public:
    static constexpr uint32_t kDefaultBlockSize = 4096;
    static constexpr uint32_t kBlockAttempts = 8;
    static constexpr uint32_t kPacketData = 4096;
    static constexpr uint32_t kWriteRetryDelayMs = 1024;
    // The 16-bit access method addresses at most this many bytes.
    static constexpr uint32_t kFlash16Limit = 0x10000;

    // The access method; always 0, 1 or 2. Returns 1.
    uint32_t GetFlashOpMode(uint32_t& mode);
    // "Flash CodeSize", or the size the reader's generation (status byte 7) implies. Returns 1.
    uint32_t GetCodeSize(uint32_t& size);

    // Read `size` bytes from flash address 0; progress 55-90.
    [[nodiscard]] uint32_t ReadFlashBlocks32(uint8_t* buffer, uint32_t size);
    [[nodiscard]] uint32_t ReadFlashBlocks16(uint8_t* buffer, uint32_t size);
    // Write `size` bytes from address 0, the block holding "Flash TagAddr" last; progress 20-55.
    [[nodiscard]] uint32_t WriteFlashBlocks32(const uint8_t* data, uint32_t size);
    [[nodiscard]] uint32_t WriteFlashBlocks16(const uint8_t* data, uint32_t size);
    // One block at `address` of the image `data`, up to 8 attempts.
    [[nodiscard]] uint32_t WriteFlashBlock32(uint32_t address, uint32_t length, const uint8_t* data);
    [[nodiscard]] uint32_t WriteFlashBlock16(uint16_t address, uint16_t length, const uint8_t* data);
    // Control-pipe write and verify in numbered packets; progress 60 and 80.
    [[nodiscard]] uint32_t DmWriteVerify(const uint8_t* data, uint32_t size);
    // Read the flash, then restart the reader into its code (0x22). Reports 41704 or 41512.
    [[nodiscard]] uint32_t ReadFlashAndReset32(uint32_t size, uint8_t* buffer);
    [[nodiscard]] uint32_t ReadFlashAndReset16(uint32_t size, uint8_t* buffer);

    // The flash's code area into the upload image.
    [[nodiscard]] uint32_t FF_Read();
    // Erase the whole flash with the reader's method and restart the reader.
    [[nodiscard]] uint32_t FF_EraseEx();
    [[nodiscard]] uint32_t FF_EraseEx_ScsiCmd2();
    [[nodiscard]] uint32_t FF_EraseEx_ScsiCmd();
    [[nodiscard]] uint32_t FF_EraseEx_CtrlPipe();
    // The complete write of an image.
    [[nodiscard]] uint32_t FF_Download(const uint8_t* data, uint32_t size);

    [[nodiscard]] uint32_t FlashWriteRetry32(const uint8_t* data, uint32_t size);
    [[nodiscard]] uint32_t FlashWriteRetry16(const uint8_t* data, uint32_t size);
    [[nodiscard]] uint32_t FlashWriteRetryCtrlPipe(const uint8_t* data, uint32_t size);
    // Erase, write, read back, compare, reset; `error` receives the code of a failed step.
    [[nodiscard]] uint32_t FlashWriteAttempt32(uint32_t size, const uint8_t* data, ResultCode& error);
    [[nodiscard]] uint32_t FlashWriteAttempt16(uint32_t size, const uint8_t* data, ResultCode& error);

    // Copies the image into work buffer 2 and carries the reader's vendor information over into it.
    [[nodiscard]] uint32_t HoldInfoMerge(uint32_t mode, uint32_t size, const uint8_t* data);
    // The vendor area of a flash image of `size` bytes, or null.
    uint8_t* FindInfoBlock(uint32_t size, uint8_t* buffer);

    // Chip workarounds; both return 1.
    uint32_t ApplyIcBugPatch();
    uint32_t ApplyIcBugWritePatch();

protected:
    explicit CMpFlow_Flash(DevTypeClass devClass) : CDevTypeInfo(devClass) {}

    // The frame of a device operation: refuse two readers, open for a flash write, run the body, close;
    // on success progress 100 and the success code.
    [[nodiscard]] uint32_t RunFlashOperation(const std::function<uint32_t()>& body, ResultCode success);

private:
    // One block transfer at (address, length); returns the library's answer.
    using BlockTransfer = std::function<uint32_t(uint32_t address, uint32_t length)>;
    [[nodiscard]] uint32_t ReadBlocks(uint32_t size, uint32_t block, const BlockTransfer& read);
    [[nodiscard]] uint32_t WriteBlocks(uint32_t size, uint32_t block, uint32_t tag,
                                       const BlockTransfer& write);
    [[nodiscard]] uint32_t WriteBlockWithAttempts(uint32_t address, uint32_t length,
                                                  const BlockTransfer& write);
    // The write attempts of the block methods, and the retry loop around them.
    [[nodiscard]] uint32_t FlashWriteRetry(const FlashMethod& method, const uint8_t* data, uint32_t size);
    // Close, wait, reopen and reset into ROM code after a failed write attempt.
    void RecoverAfterFailedAttempt();
    // 41704 for a failed read, else the restart into the flash code (41512 when it fails).
    [[nodiscard]] uint32_t ResetAfterRead(uint32_t read);
    // One write attempt: erase, (chip patch), blocks, read-back, compare, restart.
    [[nodiscard]] uint32_t RunWriteAttempt(const FlashMethod& method, uint32_t size, const uint8_t* data,
                                           ResultCode& error);
    // The erase with the method's entry, then the restart with its code.
    [[nodiscard]] uint32_t EraseWith(const FlashMethod& method);
};
