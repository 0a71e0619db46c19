#include "sim/Entries.h"

namespace sim {

const std::vector<EntryInfo>& Entries() {
    static const std::vector<EntryInfo> table = {
        {"QDOpenVrkUsbDisk", 0},
        {"QDOpenVrkUsbStor", 0},
        {"QDOpenVrkUsbCdrom", 0},
        {"QDOpenVrkPcieDisk", 0},
        {"QDOpenVrkPcieStor", 0},
        {"QDClose", 0},
        {"QDGetHandleInst", 0},
        {"QDGetInstHandle", 0},
        {"QDReadStatus", kEntryReads},
        {"QDPpStatus", kEntryReads},
        {"QDInquiry", kEntryReads},
        {"QDResetRom", kEntryResets},
        {"QDSwReset", kEntryResets},
        {"QDWriteFlash", kEntryWrites},
        {"QDReadFlash", kEntryReads},
        {"QDEraseFlash", kEntryWrites},
        {"QDRst2FlashCode", kEntryResets},
        {"QDWriteFlash2", kEntryWrites},
        {"QDReadFlash2", kEntryReads},
        {"QDEraseFlash2", kEntryWrites},
        {"QDReadEeprom", kEntryReads},
        {"QDWriteEeprom", kEntryWrites},
        {"QDReadEeprom2", kEntryReads},
        {"QDWriteEeprom2", kEntryWrites},
        {"QDEraseEeprom2", kEntryWrites},
        {"QDReadEfuse", kEntryReads},
        {"QDWriteEfuse", kEntryWrites},
        {"QDReadLdo", kEntryReads},
        {"QDWriteLdo", kEntryWrites},
        {"QDReadMem", kEntryReads},
        {"QDWriteMem", kEntryWrites},
        {"QDGetLunDrive", 0},
        {"QDDmGetPID", 0},
        {"QDDmEraseFlash", kEntryWrites},
        {"QDDmWriteFlashWithRetry", kEntryWrites},
        {"QDDmVerifyFlashWithRetry", 0},
        {"QDDmWriteFlash", kEntryWrites},
        {"QDDmVerifyFlash", 0},
        {"QDDmResetFlash", kEntryResets},
        {"QDDmResetRom", kEntryResets},
        {"GetUsbCRInfos", 0},
        {"GetUsbCRCount", 0},
        {"GetOneUsbCRInfo", 0},
        {"ReleaseCRInfos", 0},
        {"QDReadRom", kEntryReads},
        {"QDGetLocation", 0},
        {"Qd_GetReaderInst", 0},
        {"QDSleInit", 0},
        {"QDSleUninit", 0},
        {"QDSleGetCardType", 0},
        {"QDSle4442Read", kEntryReads},
        {"QDSle4442Write", kEntryWrites},
        {"QDSle4442VerifyPSC", 0},
        {"QDSle4442ChangePSC", kEntryWrites},
        {"QDSle4428Read", kEntryReads},
        {"QDSle4428Write", kEntryWrites},
        {"QDSle4428VerifyPSC", 0},
        {"QDSle4428ChangePSC", kEntryWrites},
        {"QDGetBusWidth", 0},
        {"QDSetScsiOpLun", 0},
        {"QDGetPath", 0},
        {"QDPhyRead", kEntryReads},
        {"QDPhyWrite", kEntryWrites},
    };
    return table;
}

const EntryInfo* FindEntry(std::string_view name) {
    for (const EntryInfo& entry : Entries())
        if (name == entry.name)
            return &entry;
    return nullptr;
}

} // namespace sim
