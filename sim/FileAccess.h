#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace sim {

// One open file of the simulator's state folder: chip contents, journal, scenario, lock. The
// operating system's calls stay behind this class, so the rest of the simulator is portable.
class SimFile {
public:
    enum class Mode {
        Read,         // an existing file, read only
        Write,        // an existing file, written in place
        Create,       // created, or emptied when it exists
        OpenOrCreate, // created when missing, kept otherwise
        Append,       // created when missing; every write goes to the end
    };

    SimFile(const std::string& path, Mode mode);
    ~SimFile();
    SimFile(const SimFile&) = delete;
    SimFile& operator=(const SimFile&) = delete;

    bool IsOpen() const;
    // Whole transfers at `offset`; false when any byte could not be moved.
    bool ReadAt(uint64_t offset, uint8_t* out, size_t length);
    bool WriteAt(uint64_t offset, const uint8_t* data, size_t length);
    // Appends `text` in one write (Append mode).
    bool Append(std::string_view text);
    // Cuts or extends the file to `size` bytes.
    bool Resize(uint64_t size);
    // Waits for the exclusive lock on the whole file; closing the file releases it.
    bool LockExclusive();
    // Closes the file and tells whether everything written reached it.
    bool Close();

private:
    intptr_t m_handle;
};

// Removes a file; true when it is gone (also when it was never there).
bool RemoveFile(const std::string& path);
// Moves `from` over `to`, replacing it in one step.
bool ReplaceWith(const std::string& from, const std::string& to);
// Why the last failed call of this thread failed, in words.
std::string LastSystemError();
// The folder of the module (library or executable) holding this code, ending with a separator.
std::string ModuleFolder();

} // namespace sim
