#include "device/MpFlow2.h"

uint32_t CMpFlow2::RunOperation(const std::function<uint32_t()>& body) {
    if (!BeginOperation(false)) {
        CloseDevice();
        return 0;
    }
    struct Closer {
        CVrkFun& session;
        ~Closer() { session.CloseDevice(); }
    } closer{*this};
    return body();
}

uint8_t CMpFlow2::ReadChipGeneration() {
    ReaderStatus status;
    ReaderStatusEx statusEx;
    ReadStatus(status, statusEx);
    return status.bytes[7];
}
