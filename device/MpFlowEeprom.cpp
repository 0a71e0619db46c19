#include "device/MpFlowEeprom.h"

#include "core/Reports.h"
#include "core/ResultCodes.h"

namespace {

uint32_t Succeed(ResultCode code) {
    ReportCompleted(code);
    return 1;
}

} // namespace

uint32_t CMpFlow_Eeprom::ReadEeprom() {
    return RunOperation([this]() -> uint32_t {
        if (!AllocUploadImage(kReadSize, 0xFF) || MP_ReadEeprom(kReadSize, GetDataUp()) != 1) {
            ReportFailure(IDS_READ_EEPROM_FAIL);
            return 0;
        }
        return Succeed(IDS_READ_EEPROM_SUCCEED);
    });
}

uint32_t CMpFlow_Eeprom::EraseEeprom(bool progress40, bool reset) {
    return RunOperation([this, progress40, reset]() -> uint32_t {
        if (WriteEepromBlock(static_cast<uint16_t>(GetDataUpSize()), GetDataUp()) != 1) {
            ReportFailure(IDS_ERASE_EEPROM_FAIL);
            return 0;
        }
        if (progress40)
            ReportProgress(40);
        if (reset && !ResetDevice(kResetSw)) {
            ReportFailure(IDS_RESET_DEVICE_FAIL);
            return 0;
        }
        return Succeed(IDS_ERASE_EEPROM_SUCCEED);
    });
}

uint32_t CMpFlow_Eeprom::WriteEepromImage(const uint8_t* data, uint32_t size, bool usb, ResultCode success) {
    return RunOperation([this, data, size, usb, success]() -> uint32_t {
        // An image that cannot be written whole is refused before the EEPROM is touched: the first
        // step overwrites the start of the EEPROM.
        if (data == nullptr || size == 0 || size > CMpFlow_Eeprom::kMaxImageSize) {
            ReportFailure(IDS_UPDATE_EEPROM_FAIL);
            return 0;
        }
        uint16_t length = static_cast<uint16_t>(size);
        if (WriteEepromBlock(length, data) != 1) {
            ReportFailure(IDS_ERASE_EEPROM_FAIL);
            return 0;
        }
        ReportProgress(30);
        if (MP_UpdateEeprom(length, data) != 1) {
            ReportFailure(IDS_UPDATE_EEPROM_FAIL);
            return 0;
        }
        if (usb) {
            ReportProgress(50);
            if (!ResetDevice(kResetSw)) {
                ReportFailure(IDS_RESET_DEVICE_FAIL);
                return 0;
            }
        }
        return Succeed(success);
    });
}
