#pragma once

// What an entry does to a reader: the simulator's faults choose their entries by it.
enum VrkEntryEffect : unsigned {
    kEntryOther = 0u,  // opens, closes, identifies, compares or asks for a setting
    kEntryReads = 1u,  // fills a buffer from the reader
    kEntryWrites = 2u, // changes a memory, a register or a setting
    kEntryResets = 4u, // a reset command
};

// The reader library's exports in slot order, one row each: X(name, used, effect). `used` is 1 for an
// entry that an operation of this tool calls (binding fails without it) and 0 for one that is bound
// only; `effect` is its VrkEntryEffect.
#define QUILLIX_VRK_ENTRIES(X)                                                                               \
    X(QDOpenVrkUsbDisk, 1, kEntryOther)                                                                      \
    X(QDOpenVrkUsbStor, 1, kEntryOther)                                                                      \
    X(QDOpenVrkUsbCdrom, 1, kEntryOther)                                                                     \
    X(QDOpenVrkPcieDisk, 0, kEntryOther)                                                                     \
    X(QDOpenVrkPcieStor, 1, kEntryOther)                                                                     \
    X(QDClose, 1, kEntryOther)                                                                               \
    X(QDGetHandleInst, 1, kEntryOther)                                                                       \
    X(QDGetInstHandle, 0, kEntryOther)                                                                       \
    X(QDReadStatus, 1, kEntryReads)                                                                          \
    X(QDPpStatus, 1, kEntryReads)                                                                            \
    X(QDInquiry, 0, kEntryReads)                                                                             \
    X(QDResetRom, 1, kEntryResets)                                                                           \
    X(QDSwReset, 1, kEntryResets)                                                                            \
    X(QDWriteFlash, 1, kEntryWrites)                                                                         \
    X(QDReadFlash, 1, kEntryReads)                                                                           \
    X(QDEraseFlash, 1, kEntryWrites)                                                                         \
    X(QDRst2FlashCode, 1, kEntryResets)                                                                      \
    X(QDWriteFlash2, 1, kEntryWrites)                                                                        \
    X(QDReadFlash2, 1, kEntryReads)                                                                          \
    X(QDEraseFlash2, 1, kEntryWrites)                                                                        \
    X(QDReadEeprom, 1, kEntryReads)                                                                          \
    X(QDWriteEeprom, 1, kEntryWrites)                                                                        \
    X(QDReadEeprom2, 0, kEntryReads)                                                                         \
    X(QDWriteEeprom2, 0, kEntryWrites)                                                                       \
    X(QDEraseEeprom2, 0, kEntryWrites)                                                                       \
    X(QDReadEfuse, 1, kEntryReads)                                                                           \
    X(QDWriteEfuse, 1, kEntryWrites)                                                                         \
    X(QDReadLdo, 1, kEntryReads)                                                                             \
    X(QDWriteLdo, 1, kEntryWrites)                                                                           \
    X(QDReadMem, 1, kEntryReads)                                                                             \
    X(QDWriteMem, 1, kEntryWrites)                                                                           \
    X(QDGetLunDrive, 0, kEntryOther)                                                                         \
    X(QDDmGetPID, 1, kEntryOther)                                                                            \
    X(QDDmEraseFlash, 1, kEntryWrites)                                                                       \
    X(QDDmWriteFlashWithRetry, 1, kEntryWrites)                                                              \
    X(QDDmVerifyFlashWithRetry, 1, kEntryOther)                                                              \
    X(QDDmWriteFlash, 0, kEntryWrites)                                                                       \
    X(QDDmVerifyFlash, 0, kEntryOther)                                                                       \
    X(QDDmResetFlash, 1, kEntryResets)                                                                       \
    X(QDDmResetRom, 1, kEntryResets)                                                                         \
    X(GetUsbCRInfos, 0, kEntryOther)                                                                         \
    X(GetUsbCRCount, 0, kEntryOther)                                                                         \
    X(GetOneUsbCRInfo, 0, kEntryOther)                                                                       \
    X(ReleaseCRInfos, 0, kEntryOther)                                                                        \
    X(QDReadRom, 0, kEntryReads)                                                                             \
    X(QDGetLocation, 1, kEntryOther)                                                                         \
    X(Qd_GetReaderInst, 1, kEntryOther)                                                                      \
    X(QDSleInit, 0, kEntryOther)                                                                             \
    X(QDSleUninit, 0, kEntryOther)                                                                           \
    X(QDSleGetCardType, 0, kEntryOther)                                                                      \
    X(QDSle4442Read, 0, kEntryReads)                                                                         \
    X(QDSle4442Write, 0, kEntryWrites)                                                                       \
    X(QDSle4442VerifyPSC, 0, kEntryOther)                                                                    \
    X(QDSle4442ChangePSC, 0, kEntryWrites)                                                                   \
    X(QDSle4428Read, 0, kEntryReads)                                                                         \
    X(QDSle4428Write, 0, kEntryWrites)                                                                       \
    X(QDSle4428VerifyPSC, 0, kEntryOther)                                                                    \
    X(QDSle4428ChangePSC, 0, kEntryWrites)                                                                   \
    X(QDGetBusWidth, 0, kEntryOther)                                                                         \
    X(QDSetScsiOpLun, 0, kEntryOther)                                                                        \
    X(QDGetPath, 0, kEntryOther)                                                                             \
    X(QDPhyRead, 0, kEntryReads)                                                                             \
    X(QDPhyWrite, 1, kEntryWrites)
