#pragma once

#include "history/OperationRecord.h"

#include <cstdint>
#include <string>

// What the command line needs of the device-type object: its reader library and the four silent
// operations. Each operation reports through BroadcastResult, which records failures in
// g_dwErrorCode while no dialog exists, and returns its own result (1 success, 0 failure).
class ISilentTarget {
public:
    virtual ~ISilentTarget() = default;

    // The reader library of the object: load it, bind its entries, release it. 1 or 0.
    [[nodiscard]] virtual uint32_t LoadLib() = 0;
    [[nodiscard]] virtual uint32_t LoadFun() = 0;
    virtual uint32_t UnloadLib() = 0;
    // After a failed LoadFun: the first entry an operation needs that the library lacks.
    virtual std::string MissingEntry() const = 0;

    [[nodiscard]] virtual uint32_t DT_SilentWriteBin(const std::string& path) = 0;
    [[nodiscard]] virtual uint32_t DT_SilentReadBin(const std::string& path) = 0;
    [[nodiscard]] virtual uint32_t DT_SilentReadTxt(const std::string& path) = 0;
    // reset 1 resets the reader after the erase, 0 leaves it as it is.
    [[nodiscard]] virtual uint32_t DT_SilentErase(uint32_t reset) = 0;

    // Before -w, -e and -c: the backup of the current memory when one is configured. 1 when the write
    // may go on; 0 after a failure that was reported.
    [[nodiscard]] virtual uint32_t DT_SilentBackup() { return 1; }
    // After an option ran: fills in what the target knows of it (reader, image or dump, serial number).
    virtual void DescribeSilentRun(char option, const std::string& argument, OperationRecord& record) {
        (void)option, (void)argument, (void)record;
    }
};
