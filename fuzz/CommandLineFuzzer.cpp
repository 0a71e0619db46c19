#include "fuzz/CommandLineFuzzCase.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (!RunCommandLineFuzzCase(data, size))
        std::abort();
    return 0;
}
