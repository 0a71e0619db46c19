#include "fuzz/CodecFuzzCase.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (!RunCodecFuzzCase(data, size))
        std::abort();
    return 0;
}
