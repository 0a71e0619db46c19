#include "sim/Journal.h"

#include "platform/Text.h"
#include "sim/StateFolder.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace sim {

std::string HexArg(uint32_t value) {
    return platform::StrPrintf("0x%X", value);
}

std::string BufferArg(const void* buffer, uint32_t length) {
    return buffer ? platform::StrPrintf("buf[%u]", length) : std::string("null");
}

std::string ValueArg(const uint32_t* value) {
    return value ? platform::StrPrintf("&0x%X", *value) : std::string("null");
}

std::string ValueArg(const uint16_t* value) {
    return value ? platform::StrPrintf("&0x%X", *value) : std::string("null");
}

std::string TextArg(const std::string& text) {
    return "\"" + text + "\"";
}

std::string JournalLine(int reader, const char* name, const std::vector<std::string>& args,
                        const std::string& result) {
    std::string line = reader >= 0 ? platform::StrPrintf("[%d] ", reader) : std::string();
    line += name;
    line += '(';
    for (size_t i = 0; i < args.size(); ++i)
        line += (i ? ", " : "") + args[i];
    line += ") -> " + result;
    return line;
}

bool AppendJournal(const std::string& folder, const std::string& line) {
    int fd = open(JournalPath(folder).c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    std::string text = line + "\n";
    ssize_t n;
    do {
        n = write(fd, text.data(), text.size());
    } while (n < 0 && errno == EINTR);
    bool ok = n == static_cast<ssize_t>(text.size());
    return close(fd) == 0 && ok;
}

} // namespace sim
