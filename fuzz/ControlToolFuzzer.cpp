#include "fuzz/ControlToolFuzzCase.h"

#include <cstdlib>
#include <string>
#include <unistd.h>

namespace {

// The state folder of the run; relative file names of `write` and `read` land beside it.
std::string& Sandbox() {
    static std::string folder;
    return folder;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    char pattern[] = "/tmp/quillix-sim-fuzz-XXXXXX";
    if (!mkdtemp(pattern) || chdir(pattern) != 0)
        std::abort();
    Sandbox() = pattern;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (!RunControlToolFuzzCase(data, size, Sandbox()))
        std::abort();
    return 0;
}
