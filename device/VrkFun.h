#pragma once

#include "device/ReaderStatus.h"
#include "device/VrkLibExternalUse.h"

#include <cstddef>
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

    [[nodiscard]] uint32_t OpenDevice();
    // Readers on the configured bus; leaves no device open and m_ReaderInsts filled.
    uint8_t CountReaders();
    uint8_t CountUsbReaders();
    uint8_t CountPcieReaders();
    [[nodiscard]] uint32_t OpenReaderByIndex(uint32_t index);
    [[nodiscard]] uint32_t IsKnownInstance(uint32_t instance);
    // Up to `maxReaders` distinct device instances of the readers the library opens by index (storage
    // interface first, then disk), in the order found. Works with handles of its own and closes each
    // again; m_hDev is left as it is.
    std::vector<uint32_t> ListReaderInstances(size_t maxReaders) const;

    [[nodiscard]] uint32_t SendResetCommand(uint8_t code);
    [[nodiscard]] uint32_t ResetCommandWithRetry(uint8_t code);
    [[nodiscard]] uint32_t ResetDevice(uint8_t code);

    uint32_t NeedsRomReset(uint32_t& flag);
    [[nodiscard]] uint32_t PrepareRomReset();
    uint32_t QuickReconnectSupported(uint32_t& flag);

    [[nodiscard]] uint32_t OpenForFlash();
    [[nodiscard]] uint32_t OpenFirstForFlash();
    [[nodiscard]] uint32_t OpenSocketForFlash(uint32_t socket);
    // Opens again the reader that the last of the three openings above chose, the way it chose it:
    // with several readers attached, "the first reader" may be another one.
    [[nodiscard]] uint32_t ReopenFlashReader();
    // Closes the reader, waits `delayMs` and opens the same reader again with ReopenFlashReader.
    [[nodiscard]] uint32_t ReopenFlashReaderAfter(uint32_t delayMs);

    void CloseDevice();
    // Forgets the readers and releases the library; the device-type object also frees its images.
    virtual void CloseSession();

    // Zeroes both blocks, reads the status and, when the reader has one, the extended status.
    [[nodiscard]] uint32_t ReadStatus(ReaderStatus& status, ReaderStatusEx& statusEx);
    // ReadStatus for the decisions that go on without an answer: the blocks then stay zeroed, which
    // reads as no flag set, generation 0 and version 0.
    void ReadStatusOrZeros(ReaderStatus& status, ReaderStatusEx& statusEx);

    // The two version checks against the IC INI's "Check ..." and "Rom ..." keys.
    [[nodiscard]] uint32_t CheckDevVersion(const ReaderStatusEx& statusEx, const ReaderStatus& status);
    [[nodiscard]] uint32_t CheckRomVersion(const ReaderStatusEx& statusEx, const ReaderStatus& status);
    // Reinstalls the reader's storage driver with the driver-update tool; always 0.
    uint32_t RefreshDriver();

    // The first steps of every read, erase, update and download: refuse two or more readers (41513),
    // then open the reader (OpenForFlash for FLASH, else OpenDevice with 41511 / progress 20).
    [[nodiscard]] uint32_t BeginOperation(bool forFlash);

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
    [[nodiscard]] uint32_t OpenSocketReader(uint32_t socket);
    // Opens every storage-class reader that `open` enumerates in turn, appends each non-zero instance
    // to m_ReaderInsts and returns how many were appended. Leaves no device open.
    uint32_t StoragePass(uint32_t (*open)(uint32_t*));
    [[nodiscard]] uint32_t OpenUsbFirst();
    [[nodiscard]] uint32_t StationReopen(uint32_t locationA, uint32_t locationB);
    [[nodiscard]] uint32_t FinishFlashOpen(bool reportProgress, uint32_t openResult);

    FlashReader m_flashReader;
};
