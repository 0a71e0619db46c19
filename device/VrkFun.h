#pragma once

#include "device/ReaderStatus.h"
#include "device/VrkLibExternalUse.h"

#include <cstdint>
#include <vector>

// Reset commands sent by SendResetCommand.
enum ResetCode : uint8_t {
    kResetSw = 0x00,           // QDSwReset
    kResetRom = 0x01,          // QDResetRom
    kResetDmRom = 0x11,        // QDDmResetRom
    kResetDmFlash = 0x12,      // QDDmResetFlash
    kResetToFlashCode0 = 0x21, // QDRst2FlashCode, mode 0
    kResetToFlashCode1 = 0x22, // QDRst2FlashCode, mode 1
};

// The device session: finds, opens, resets and reopens the one reader an operation works on.
// Every operation returns 1 for success and 0 for failure unless stated.
class CVrkFun : public CVrkLibExternalUse {
public:
    static constexpr uint32_t kOpenAttempts = 3;
    static constexpr uint32_t kRetryDelayMs = 128;
    static constexpr uint32_t kReconnectAttempts = 20;
    static constexpr uint32_t kReconnectDelayMs = 1024;
    static constexpr uint32_t kQuickReconnectDelayMs = 128;
    static constexpr uint32_t kSocketCount = 3;

    uint32_t OpenDevice();
    // Readers on the configured bus; leaves no device open and m_ReaderInsts filled.
    uint8_t CountReaders();
    uint8_t CountUsbReaders();
    uint8_t CountPcieReaders();
    uint32_t OpenReaderByIndex(uint32_t index);
    uint32_t IsKnownInstance(uint32_t instance);

    uint32_t SendResetCommand(uint8_t code);
    uint32_t ResetCommandWithRetry(uint8_t code);
    uint32_t ResetDevice(uint8_t code);

    uint32_t NeedsRomReset(uint32_t& flag);
    uint32_t PrepareRomReset();
    uint32_t QuickReconnectSupported(uint32_t& flag);

    uint32_t OpenForFlash();
    uint32_t OpenFirstForFlash();
    uint32_t OpenSocketForFlash(uint32_t socket);
    // Opens again the reader that the last of the three openings above chose, the way it chose it:
    // with several readers attached, "the first reader" may be another one.
    uint32_t ReopenFlashReader();

    void CloseDevice();
    // Forgets the readers and releases the library; the device-type object also frees its images.
    virtual void CloseSession();

    // Zeroes both blocks, reads the status and, when the reader has one, the extended status.
    uint32_t ReadStatus(ReaderStatus& status, ReaderStatusEx& statusEx);

    // The two version checks against the IC INI's "Check ..." and "Rom ..." keys.
    uint32_t CheckDevVersion(const ReaderStatusEx& statusEx, const ReaderStatus& status);
    uint32_t CheckRomVersion(const ReaderStatusEx& statusEx, const ReaderStatus& status);
    // Reinstalls the reader's storage driver with the driver-update tool; always 0.
    uint32_t RefreshDriver();

    // The first steps of every read, erase, update and download: refuse two or more readers (41513),
    // then open the reader (OpenForFlash for FLASH, else OpenDevice with 41511 / progress 20).
    uint32_t BeginOperation(bool forFlash);

    std::vector<uint32_t> m_ReaderInsts;
    uint32_t m_bRomReset = 0;
    // The reader value of each station socket, stored by the three-socket station.
    uint32_t m_dwSocketReader[kSocketCount] = {};

private:
    // How the reader of the current flash work was chosen.
    struct FlashReader {
        enum How { kFirst, kFirstDiskOnly, kSocket } how = kFirst;
        uint32_t socket = 0;
    };

    // Opens the reader whose value is the socket's; 0 (nothing open) when no reader has it.
    uint32_t OpenSocketReader(uint32_t socket);
    // Opens every storage-class reader that `open` enumerates in turn, appends each non-zero instance
    // to m_ReaderInsts and returns how many were appended. Leaves no device open.
    uint32_t StoragePass(uint32_t (*open)(uint32_t*));
    uint32_t OpenUsbFirst();
    uint32_t StationReopen(uint32_t locationA, uint32_t locationB);
    uint32_t FinishFlashOpen(bool reportProgress, uint32_t openResult);

    FlashReader m_flashReader;
};
