#include "fuzz/ImageFuzzCase.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (!RunImageFuzzCase(data, size))
        std::abort();
    return 0;
}
