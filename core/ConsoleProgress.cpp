#include "core/ConsoleProgress.h"

#include <atomic>
#include <cstdio>

namespace {
std::atomic<bool> g_barDrawn{false};
}

std::string FormatProgressBar(uint32_t percent, unsigned width) {
    if (percent > 100)
        percent = 100;
    unsigned filled = static_cast<unsigned>(static_cast<uint64_t>(percent) * width / 100);
    std::string bar = "[" + std::string(filled, '#') + std::string(width - filled, '.') + "]";
    char number[8];
    std::snprintf(number, sizeof(number), " %3u%%", percent);
    return bar + number;
}

void ShowConsoleProgress(uint32_t percent) {
    std::fprintf(stderr, "\r%s", FormatProgressBar(percent).c_str());
    std::fflush(stderr);
    g_barDrawn = true;
}

void FinishConsoleProgress() {
    if (g_barDrawn.exchange(false)) {
        std::fputc('\n', stderr);
        std::fflush(stderr);
    }
}
