#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace sim {

// Arguments as the journal shows them: numbers in hexadecimal with 0x, a buffer as its length,
// a pointer to a value as & and the value it holds after the call.
std::string HexArg(uint32_t value);
std::string BufferArg(const void* buffer, uint32_t length);
std::string ValueArg(const uint32_t* value);
std::string ValueArg(const uint16_t* value);
std::string TextArg(const std::string& text);

// One journal line: "[N] NAME(arg, arg) -> 0x1", without "[N] " when the call reached no reader
// (reader < 0).
std::string JournalLine(int reader, const char* name, const std::vector<std::string>& args,
                        const std::string& result);

// Appends one line to the journal file of the state folder.
bool AppendJournal(const std::string& folder, const std::string& line);

} // namespace sim
