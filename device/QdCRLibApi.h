/*
 * Entries of the reader-access library (libQdCRLib.so / QdCRLib.dll), in slot order.
 *
 * Plain C calling convention. Every entry returns a 32-bit value; 0 means failure. Handles are
 * 32-bit values, 0 meaning "no device". Every entry except the open entries (and the enumeration
 * entries 41-44) takes the device handle as its first argument. Buffers are byte arrays owned by the
 * caller; lengths are byte counts; chip register addresses are 16-bit.
 *
 * Each entry has a function-pointer type PFN_<name> for binding with dlsym.
 */
#ifndef QUILLIX_DEVICE_QDCRLIBAPI_H
#define QUILLIX_DEVICE_QDCRLIBAPI_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#ifndef QDCRLIB_API
#define QDCRLIB_API
#endif

/* 1-5: open the reader at *index (0-based) of that device class; the handle, or 0. */
QDCRLIB_API uint32_t QDOpenVrkUsbDisk(uint32_t* index);
QDCRLIB_API uint32_t QDOpenVrkUsbStor(uint32_t* index);
QDCRLIB_API uint32_t QDOpenVrkUsbCdrom(uint32_t* index);
QDCRLIB_API uint32_t QDOpenVrkPcieDisk(uint32_t* index);
QDCRLIB_API uint32_t QDOpenVrkPcieStor(uint32_t* index);
/* 6: closes the handle; 1 when it was open. */
QDCRLIB_API uint32_t QDClose(uint32_t dev);
/* 7-8: device instance of an open handle; open the device node with that instance. */
QDCRLIB_API uint32_t QDGetHandleInst(uint32_t dev);
QDCRLIB_API uint32_t QDGetInstHandle(uint32_t inst);
/* 9-11: 16-byte status, 32-byte extended status, 36-byte SCSI inquiry data. */
QDCRLIB_API uint32_t QDReadStatus(uint32_t dev, uint8_t* status, uint32_t length);
QDCRLIB_API uint32_t QDPpStatus(uint32_t dev, uint8_t* status, uint32_t length);
QDCRLIB_API uint32_t QDInquiry(uint32_t dev, uint8_t* data, uint32_t length);
/* 12-13: reset into ROM code / software reset; the 16-byte block is sent zeroed. */
QDCRLIB_API uint32_t QDResetRom(uint32_t dev, uint8_t* block, uint32_t length);
QDCRLIB_API uint32_t QDSwReset(uint32_t dev, uint8_t* block, uint32_t length);
/* 14-16: flash with 16-bit addresses; erase mode 1 erases the whole flash. */
QDCRLIB_API uint32_t QDWriteFlash(uint32_t dev, uint16_t address, uint16_t length, const uint8_t* data,
                                  uint32_t dataLength);
QDCRLIB_API uint32_t QDReadFlash(uint32_t dev, uint16_t address, uint16_t length, uint8_t* buffer,
                                 uint32_t bufferLength);
QDCRLIB_API uint32_t QDEraseFlash(uint32_t dev, uint32_t mode);
/* 17: restart into the flash code; mode 0 or 1. */
QDCRLIB_API uint32_t QDRst2FlashCode(uint32_t dev, uint8_t mode);
/* 18-20: flash with 32-bit addresses; erase (1, 0) erases the whole flash. */
QDCRLIB_API uint32_t QDWriteFlash2(uint32_t dev, uint32_t address, uint32_t length, const uint8_t* data,
                                   uint32_t dataLength);
QDCRLIB_API uint32_t QDReadFlash2(uint32_t dev, uint32_t address, uint32_t length, uint8_t* buffer,
                                  uint32_t bufferLength);
QDCRLIB_API uint32_t QDEraseFlash2(uint32_t dev, uint32_t mode, uint32_t start);
/* 21-22: EEPROM from address 0. */
QDCRLIB_API uint32_t QDReadEeprom(uint32_t dev, uint16_t length, uint8_t* buffer, uint16_t bufferLength);
QDCRLIB_API uint32_t QDWriteEeprom(uint32_t dev, uint16_t length, const uint8_t* data, uint16_t dataLength);
/* 23-25: EEPROM at any address; erase fills the whole EEPROM with 0xFF. */
QDCRLIB_API uint32_t QDReadEeprom2(uint32_t dev, uint32_t address, uint32_t length, uint8_t* buffer,
                                   uint32_t bufferLength);
QDCRLIB_API uint32_t QDWriteEeprom2(uint32_t dev, uint32_t address, uint32_t length, const uint8_t* data,
                                    uint32_t dataLength);
QDCRLIB_API uint32_t QDEraseEeprom2(uint32_t dev);
/* 26-27: EFUSE bytes start .. start + length - 1; the buffer holds at least length bytes. */
QDCRLIB_API uint32_t QDReadEfuse(uint32_t dev, uint8_t start, uint8_t length, uint8_t* buffer);
QDCRLIB_API uint32_t QDWriteEfuse(uint32_t dev, uint8_t start, uint8_t length, const uint8_t* data);
/* 28-29: EFUSE programming regulator setting. */
QDCRLIB_API uint32_t QDReadLdo(uint32_t dev, uint8_t* setting, uint32_t length);
QDCRLIB_API uint32_t QDWriteLdo(uint32_t dev, uint8_t setting);
/* 30-31: count chip register bytes from address. */
QDCRLIB_API uint32_t QDReadMem(uint32_t dev, uint16_t address, uint16_t count, uint8_t* buffer,
                               uint32_t bufferLength);
QDCRLIB_API uint32_t QDWriteMem(uint32_t dev, uint16_t address, uint16_t count, const uint8_t* data,
                                uint32_t dataLength);
/* 32: drive name of a logical unit, NUL-terminated. */
QDCRLIB_API uint32_t QDGetLunDrive(uint32_t dev, uint8_t lun, char* drive, uint32_t length);
/* 33: product ID in the low 16 bits. */
QDCRLIB_API uint32_t QDDmGetPID(uint32_t dev, uint32_t* productId);
/* 34-40: control-pipe flash access; a packet is a sequence byte followed by up to 4096 data bytes. */
QDCRLIB_API uint32_t QDDmEraseFlash(uint32_t dev);
QDCRLIB_API uint32_t QDDmWriteFlashWithRetry(uint32_t dev, const uint8_t* packet, uint32_t length);
QDCRLIB_API uint32_t QDDmVerifyFlashWithRetry(uint32_t dev, const uint8_t* packet, uint32_t length);
QDCRLIB_API uint32_t QDDmWriteFlash(uint32_t dev, const uint8_t* packet, uint32_t length);
QDCRLIB_API uint32_t QDDmVerifyFlash(uint32_t dev, const uint8_t* packet, uint32_t length);
QDCRLIB_API uint32_t QDDmResetFlash(uint32_t dev);
QDCRLIB_API uint32_t QDDmResetRom(uint32_t dev);
/* 41-44: snapshot of the attached USB readers: take it (count), count, one reader's 16-byte status,
 * release. */
QDCRLIB_API uint32_t GetUsbCRInfos(void);
QDCRLIB_API uint32_t GetUsbCRCount(void);
QDCRLIB_API uint32_t GetOneUsbCRInfo(uint32_t index, uint8_t* status, uint32_t length);
QDCRLIB_API uint32_t ReleaseCRInfos(void);
/* 45: chip ROM code. */
QDCRLIB_API uint32_t QDReadRom(uint32_t dev, uint32_t address, uint32_t length, uint8_t* buffer,
                               uint32_t bufferLength);
/* 46-47: where the reader is attached (two values); the reader's own device instance. */
QDCRLIB_API uint32_t QDGetLocation(uint32_t dev, uint32_t* valueA, uint32_t* valueB);
QDCRLIB_API uint32_t Qd_GetReaderInst(uint32_t dev, uint32_t* instance);
/* 48-58: memory smart cards in the reader's card slot. */
QDCRLIB_API uint32_t QDSleInit(uint32_t dev);
QDCRLIB_API uint32_t QDSleUninit(uint32_t dev);
QDCRLIB_API uint32_t QDSleGetCardType(uint32_t dev, uint32_t* cardType);
QDCRLIB_API uint32_t QDSle4442Read(uint32_t dev, uint32_t address, uint32_t length, uint8_t* buffer,
                                   uint32_t bufferLength);
QDCRLIB_API uint32_t QDSle4442Write(uint32_t dev, uint32_t address, uint32_t length, const uint8_t* data,
                                    uint32_t dataLength);
QDCRLIB_API uint32_t QDSle4442VerifyPSC(uint32_t dev, const uint8_t* psc, uint32_t length);
QDCRLIB_API uint32_t QDSle4442ChangePSC(uint32_t dev, const uint8_t* psc, uint32_t length);
QDCRLIB_API uint32_t QDSle4428Read(uint32_t dev, uint32_t address, uint32_t length, uint8_t* buffer,
                                   uint32_t bufferLength);
QDCRLIB_API uint32_t QDSle4428Write(uint32_t dev, uint32_t address, uint32_t length, const uint8_t* data,
                                    uint32_t dataLength);
QDCRLIB_API uint32_t QDSle4428VerifyPSC(uint32_t dev, const uint8_t* psc, uint32_t length);
QDCRLIB_API uint32_t QDSle4428ChangePSC(uint32_t dev, const uint8_t* psc, uint32_t length);
/* 59: data bus width of the inserted card. */
QDCRLIB_API uint32_t QDGetBusWidth(uint32_t dev, uint32_t* width);
/* 60: logical unit addressed by later SCSI commands. */
QDCRLIB_API uint32_t QDSetScsiOpLun(uint32_t dev, uint8_t lun);
/* 61: device path of the open handle, NUL-terminated. */
QDCRLIB_API uint32_t QDGetPath(uint32_t dev, char* path, uint32_t length);
/* 62-63: PHY registers: port, register, count of 16-bit values, values, their size in bytes. */
QDCRLIB_API uint32_t QDPhyRead(uint32_t dev, uint32_t port, uint32_t reg, uint32_t count, uint16_t* values,
                               uint32_t size);
QDCRLIB_API uint32_t QDPhyWrite(uint32_t dev, uint32_t port, uint32_t reg, uint32_t count,
                                const uint16_t* values, uint32_t size);

typedef uint32_t (*PFN_QDOpenVrkUsbDisk)(uint32_t*);
typedef uint32_t (*PFN_QDOpenVrkUsbStor)(uint32_t*);
typedef uint32_t (*PFN_QDOpenVrkUsbCdrom)(uint32_t*);
typedef uint32_t (*PFN_QDOpenVrkPcieDisk)(uint32_t*);
typedef uint32_t (*PFN_QDOpenVrkPcieStor)(uint32_t*);
typedef uint32_t (*PFN_QDClose)(uint32_t);
typedef uint32_t (*PFN_QDGetHandleInst)(uint32_t);
typedef uint32_t (*PFN_QDGetInstHandle)(uint32_t);
typedef uint32_t (*PFN_QDReadStatus)(uint32_t, uint8_t*, uint32_t);
typedef uint32_t (*PFN_QDPpStatus)(uint32_t, uint8_t*, uint32_t);
typedef uint32_t (*PFN_QDInquiry)(uint32_t, uint8_t*, uint32_t);
typedef uint32_t (*PFN_QDResetRom)(uint32_t, uint8_t*, uint32_t);
typedef uint32_t (*PFN_QDSwReset)(uint32_t, uint8_t*, uint32_t);
typedef uint32_t (*PFN_QDWriteFlash)(uint32_t, uint16_t, uint16_t, const uint8_t*, uint32_t);
typedef uint32_t (*PFN_QDReadFlash)(uint32_t, uint16_t, uint16_t, uint8_t*, uint32_t);
typedef uint32_t (*PFN_QDEraseFlash)(uint32_t, uint32_t);
typedef uint32_t (*PFN_QDRst2FlashCode)(uint32_t, uint8_t);
typedef uint32_t (*PFN_QDWriteFlash2)(uint32_t, uint32_t, uint32_t, const uint8_t*, uint32_t);
typedef uint32_t (*PFN_QDReadFlash2)(uint32_t, uint32_t, uint32_t, uint8_t*, uint32_t);
typedef uint32_t (*PFN_QDEraseFlash2)(uint32_t, uint32_t, uint32_t);
typedef uint32_t (*PFN_QDReadEeprom)(uint32_t, uint16_t, uint8_t*, uint16_t);
typedef uint32_t (*PFN_QDWriteEeprom)(uint32_t, uint16_t, const uint8_t*, uint16_t);
typedef uint32_t (*PFN_QDReadEeprom2)(uint32_t, uint32_t, uint32_t, uint8_t*, uint32_t);
typedef uint32_t (*PFN_QDWriteEeprom2)(uint32_t, uint32_t, uint32_t, const uint8_t*, uint32_t);
typedef uint32_t (*PFN_QDEraseEeprom2)(uint32_t);
typedef uint32_t (*PFN_QDReadEfuse)(uint32_t, uint8_t, uint8_t, uint8_t*);
typedef uint32_t (*PFN_QDWriteEfuse)(uint32_t, uint8_t, uint8_t, const uint8_t*);
typedef uint32_t (*PFN_QDReadLdo)(uint32_t, uint8_t*, uint32_t);
typedef uint32_t (*PFN_QDWriteLdo)(uint32_t, uint8_t);
typedef uint32_t (*PFN_QDReadMem)(uint32_t, uint16_t, uint16_t, uint8_t*, uint32_t);
typedef uint32_t (*PFN_QDWriteMem)(uint32_t, uint16_t, uint16_t, const uint8_t*, uint32_t);
typedef uint32_t (*PFN_QDGetLunDrive)(uint32_t, uint8_t, char*, uint32_t);
typedef uint32_t (*PFN_QDDmGetPID)(uint32_t, uint32_t*);
typedef uint32_t (*PFN_QDDmEraseFlash)(uint32_t);
typedef uint32_t (*PFN_QDDmWriteFlashWithRetry)(uint32_t, const uint8_t*, uint32_t);
typedef uint32_t (*PFN_QDDmVerifyFlashWithRetry)(uint32_t, const uint8_t*, uint32_t);
typedef uint32_t (*PFN_QDDmWriteFlash)(uint32_t, const uint8_t*, uint32_t);
typedef uint32_t (*PFN_QDDmVerifyFlash)(uint32_t, const uint8_t*, uint32_t);
typedef uint32_t (*PFN_QDDmResetFlash)(uint32_t);
typedef uint32_t (*PFN_QDDmResetRom)(uint32_t);
typedef uint32_t (*PFN_GetUsbCRInfos)(void);
typedef uint32_t (*PFN_GetUsbCRCount)(void);
typedef uint32_t (*PFN_GetOneUsbCRInfo)(uint32_t, uint8_t*, uint32_t);
typedef uint32_t (*PFN_ReleaseCRInfos)(void);
typedef uint32_t (*PFN_QDReadRom)(uint32_t, uint32_t, uint32_t, uint8_t*, uint32_t);
typedef uint32_t (*PFN_QDGetLocation)(uint32_t, uint32_t*, uint32_t*);
typedef uint32_t (*PFN_Qd_GetReaderInst)(uint32_t, uint32_t*);
typedef uint32_t (*PFN_QDSleInit)(uint32_t);
typedef uint32_t (*PFN_QDSleUninit)(uint32_t);
typedef uint32_t (*PFN_QDSleGetCardType)(uint32_t, uint32_t*);
typedef uint32_t (*PFN_QDSle4442Read)(uint32_t, uint32_t, uint32_t, uint8_t*, uint32_t);
typedef uint32_t (*PFN_QDSle4442Write)(uint32_t, uint32_t, uint32_t, const uint8_t*, uint32_t);
typedef uint32_t (*PFN_QDSle4442VerifyPSC)(uint32_t, const uint8_t*, uint32_t);
typedef uint32_t (*PFN_QDSle4442ChangePSC)(uint32_t, const uint8_t*, uint32_t);
typedef uint32_t (*PFN_QDSle4428Read)(uint32_t, uint32_t, uint32_t, uint8_t*, uint32_t);
typedef uint32_t (*PFN_QDSle4428Write)(uint32_t, uint32_t, uint32_t, const uint8_t*, uint32_t);
typedef uint32_t (*PFN_QDSle4428VerifyPSC)(uint32_t, const uint8_t*, uint32_t);
typedef uint32_t (*PFN_QDSle4428ChangePSC)(uint32_t, const uint8_t*, uint32_t);
typedef uint32_t (*PFN_QDGetBusWidth)(uint32_t, uint32_t*);
typedef uint32_t (*PFN_QDSetScsiOpLun)(uint32_t, uint8_t);
typedef uint32_t (*PFN_QDGetPath)(uint32_t, char*, uint32_t);
typedef uint32_t (*PFN_QDPhyRead)(uint32_t, uint32_t, uint32_t, uint32_t, uint16_t*, uint32_t);
typedef uint32_t (*PFN_QDPhyWrite)(uint32_t, uint32_t, uint32_t, uint32_t, const uint16_t*, uint32_t);

/*
 * Optional device-tree and notification entries. A library may lack them (a vendor library does);
 * the simulated reader exports them so that the platform layer can answer device-tree questions and
 * notice arrivals and removals without an operating-system back end. Look them up with dlsym.
 */

/* Parent of a present device instance: 1 and *parent set; 0 when unknown or at the top of the tree. */
QDCRLIB_API uint32_t QdSimGetParentInst(uint32_t instance, uint32_t* parent);
/* The index-th USB hub (0-based): 1 with its instance, 1 when it can run at high speed, and its
 * number of ports (numbered from 1); 0 after the last hub. */
QDCRLIB_API uint32_t QdSimEnumHubs(uint32_t index, uint32_t* hubInstance, uint32_t* highSpeed,
                                   uint32_t* portCount);
/* Device node on a hub's port: 1 and *device set; 0 when nothing is connected there. */
QDCRLIB_API uint32_t QdSimGetPortDevice(uint32_t hubInstance, uint32_t port, uint32_t* device);
/* Number of arrival and removal events so far; it only grows. */
QDCRLIB_API uint32_t QdSimGetChangeCount(void);
/* Event number sequence (0-based, below the change count; the latest 64 are kept): 1 with *arrived
 * (1 arrival, 0 removal) and the device node of the reader; 0 when the event is not kept. */
QDCRLIB_API uint32_t QdSimGetDeviceEvent(uint32_t sequence, uint32_t* arrived, uint32_t* device);

typedef uint32_t (*PFN_QdSimGetParentInst)(uint32_t, uint32_t*);
typedef uint32_t (*PFN_QdSimEnumHubs)(uint32_t, uint32_t*, uint32_t*, uint32_t*);
typedef uint32_t (*PFN_QdSimGetPortDevice)(uint32_t, uint32_t, uint32_t*);
typedef uint32_t (*PFN_QdSimGetChangeCount)(void);
typedef uint32_t (*PFN_QdSimGetDeviceEvent)(uint32_t, uint32_t*, uint32_t*);

#ifdef __cplusplus
}
#endif

#endif
