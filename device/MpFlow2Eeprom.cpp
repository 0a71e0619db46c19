#include "app/TraceLog.h"
#include "core/Broadcast.h"
#include "device/MpFlow2.h"
#include "platform/Clock.h"

#include <algorithm>
#include <array>
#include <vector>

uint32_t CMpFlow2::MP_ReadEeprom(uint16_t length, uint8_t* buffer) {
    for (uint32_t attempt = 0; attempt < kAttempts; ++attempt) {
        if (IsCancelRequested())
            return 0;
        if (QDReadEeprom(m_hDev, length, buffer, length) == 1)
            return 1;
        platform::Sleep(kRetryDelayMs);
    }
    return 0;
}

uint32_t CMpFlow2::MP_WriteEeprom(uint16_t length, const uint8_t* data) {
    for (uint32_t attempt = 0; attempt < kAttempts; ++attempt) {
        if (IsCancelRequested())
            return 0;
        uint32_t result = QDWriteEeprom(m_hDev, length, data, length);
        // The EEPROM needs the time to store the bytes, also after a write that succeeded.
        platform::Sleep(kRetryDelayMs);
        if (result == 1)
            return 1;
    }
    return 0;
}

uint32_t CMpFlow2::WriteEepromBlock(uint16_t length, const uint8_t* data) {
    std::array<uint8_t, kEepromBlockLength + 1> block{};
    if (data)
        std::copy_n(data, std::min(length, kEepromBlockLength), block.begin());
    return MP_WriteEeprom(kEepromBlockLength, block.data());
}

uint32_t CMpFlow2::MP_UpdateEeprom(uint16_t length, const uint8_t* data) {
    TraceScope scope("CMpFlow2::MP_UpdateEeprom", kTraceDevice);
    if (!MP_WriteEeprom(length, data)) {
        TraceLine(scope, "MP_WriteEeprom Fail!\n");
        return 0;
    }
    std::vector<uint8_t> readBack(length);
    if (!MP_ReadEeprom(length, readBack.data())) {
        TraceLine(scope, "MP_ReadEeprom Fail!\n");
        return 0;
    }
    if (!std::equal(readBack.begin(), readBack.end(), data)) {
        TraceLine(scope, "Memcmp Fail!\n");
        return 0;
    }
    return 1;
}
