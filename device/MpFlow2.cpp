#include "device/MpFlow2.h"

#include "device/ReaderGuard.h"

uint32_t CMpFlow2::RunOperation(const std::function<uint32_t()>& body) {
    ReaderGuard reader(*this, [this] { return BeginOperation(false); });
    if (!reader)
        return 0;
    return body();
}

uint8_t CMpFlow2::ReadChipGeneration() {
    ReaderStatus status;
    ReaderStatusEx statusEx;
    ReadStatusOrZeros(status, statusEx);
    return status.bytes[7];
}
