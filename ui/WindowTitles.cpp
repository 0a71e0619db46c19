#include "ui/WindowTitles.h"

#include "app/Messages.h"
#include "platform/Text.h"

std::string ReaderWindowTitle(uint32_t memoryKind, const char* version, uint32_t bus) {
    return platform::StrPrintf("Reader%s %s (Corvane %s Card Reader)",
                               MemoryKindShortName(memoryKind).c_str(), version, BusName(bus).c_str());
}

std::string UpdateDialogTitle(uint32_t customizeUI, const std::string& configuredTitle, uint32_t memoryKind,
                              const char* version, uint32_t bus) {
    if (customizeUI == 4)
        return platform::StrPrintf("Reader Check %s (Corvane %s Card Reader)", version, BusName(bus).c_str());
    bool takesTitle = customizeUI == 1 || customizeUI == 3 || customizeUI == 6;
    if (takesTitle && !configuredTitle.empty())
        return configuredTitle;
    return ReaderWindowTitle(memoryKind, version, bus);
}
