// The text dump of an image file as `quillix -t` writes it: format every byte and write the result to
// a file. Usage: text_dump_bench IMAGE OUTPUT [benchmark options]; bench/run.sh times a common hex
// dump tool on the same image for comparison.
#include "model/SilentFiles.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

std::vector<uint8_t> g_image;
std::string g_output;

void BM_TextDump(benchmark::State& state) {
    for (auto _ : state) {
        if (!WriteTxtFile(g_output, g_image.size(), g_image.data())) {
            state.SkipWithError("the text dump could not be written");
            break;
        }
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(g_image.size()));
}
BENCHMARK(BM_TextDump)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: text_dump_bench IMAGE OUTPUT [benchmark options]\n");
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    g_image.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    if (g_image.empty()) {
        std::fprintf(stderr, "text_dump_bench: %s is missing or empty\n", argv[1]);
        return 1;
    }
    g_output = argv[2];
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
