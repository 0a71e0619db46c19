#include "sim/Journal.h"

#include "platform/Text.h"
#include "sim/StateFolder.h"

#include "sim/FileAccess.h"

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
    SimFile file(JournalPath(folder), SimFile::Mode::Append);
    return file.Append(line + "\n") && file.Close();
}

} // namespace sim
