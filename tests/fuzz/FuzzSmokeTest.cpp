// Short, reproducible runs of the fuzzers' case functions: every seed of a target's corpus, then a
// fixed number of mutations of those seeds from a fixed random seed (bytes flipped, inserted, cut).
#include "fuzz/CodecFuzzCase.h"
#include "fuzz/CommandLineFuzzCase.h"
#include "fuzz/ControlToolFuzzCase.h"
#include "fuzz/ImageFuzzCase.h"
#include "fuzz/IniFuzzCase.h"
#include "fuzz/VendorFileFuzzCase.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <random>

namespace {

using Case = std::function<bool(const uint8_t*, size_t)>;

std::vector<std::vector<uint8_t>> Corpus(const std::string& target) {
    std::vector<std::filesystem::path> files;
    for (const auto& entry :
         std::filesystem::directory_iterator(std::string(QUILLIX_FUZZ_CORPUS) + "/" + target))
        files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    std::vector<std::vector<uint8_t>> seeds;
    for (const auto& file : files) {
        std::string bytes = testsupport::ReadFileBytes(file.string());
        seeds.emplace_back(bytes.begin(), bytes.end());
    }
    return seeds;
}

void Mutate(std::vector<uint8_t>& input, std::mt19937& random) {
    const int edits = 1 + static_cast<int>(random() % 4);
    for (int e = 0; e < edits; ++e) {
        const size_t at = input.empty() ? 0 : random() % input.size();
        switch (random() % 4) {
        case 0:
            if (!input.empty())
                input[at] ^= static_cast<uint8_t>(1u << (random() % 8));
            break;
        case 1:
            if (!input.empty())
                input[at] = static_cast<uint8_t>(random());
            break;
        case 2:
            input.insert(input.begin() + static_cast<ptrdiff_t>(at), static_cast<uint8_t>(random()));
            break;
        default:
            if (!input.empty())
                input.erase(input.begin() + static_cast<ptrdiff_t>(at),
                            input.begin() +
                                static_cast<ptrdiff_t>(std::min(input.size(), at + 1 + random() % 8)));
        }
    }
}

// The input as hexadecimal text, for the failure message (a new corpus seed).
std::string Hex(const std::vector<uint8_t>& input) {
    std::string text;
    char digits[4];
    for (uint8_t byte : input) {
        std::snprintf(digits, sizeof digits, "%02X", byte);
        text += digits;
    }
    return text;
}

void RunSmoke(const std::string& target, const Case& run, int mutations) {
    const std::vector<std::vector<uint8_t>> seeds = Corpus(target);
    ASSERT_FALSE(seeds.empty()) << target;
    for (size_t i = 0; i < seeds.size(); ++i)
        ASSERT_TRUE(run(seeds[i].data(), seeds[i].size())) << target << " seed " << i;
    std::mt19937 random(1409);
    for (int round = 0; round < mutations; ++round) {
        std::vector<uint8_t> input = seeds[random() % seeds.size()];
        Mutate(input, random);
        ASSERT_TRUE(run(input.data(), input.size())) << target << " mutation " << round << ": " << Hex(input);
    }
}

TEST(FuzzSmoke, IniLoader) {
    RunSmoke("ini", RunIniFuzzCase, 400);
}

TEST(FuzzSmoke, CommandLineParser) {
    RunSmoke("command_line", RunCommandLineFuzzCase, 3000);
}

TEST(FuzzSmoke, VendorFileMerge) {
    RunSmoke("vendor_file", RunVendorFileFuzzCase, 3000);
}

TEST(FuzzSmoke, ImageShowAndDiff) {
    RunSmoke("image", RunImageFuzzCase, 400);
}

TEST(FuzzSmoke, CodecSeeds) {
    RunSmoke("codec", RunCodecFuzzCase, 0);
}

// The control tool works in a folder of its own; relative file names land there too.
TEST(FuzzSmoke, ControlToolArguments) {
    testsupport::TempDir sandbox;
    const std::string folder = sandbox.Path().substr(0, sandbox.Path().size() - 1);
    testsupport::WorkingDirectory cwd(folder);
    RunSmoke(
        "control_tool",
        [&](const uint8_t* data, size_t size) { return RunControlToolFuzzCase(data, size, folder); }, 300);
}

} // namespace
