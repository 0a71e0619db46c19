#include "sim/ControlTool.h"

#include "platform/FileSystem.h"
#include "platform/Text.h"
#include "sim/Entries.h"
#include "sim/Faults.h"
#include "sim/Presets.h"
#include "sim/SimState.h"

#include <algorithm>
#include <sstream>

namespace sim {

namespace {

const char* const kUsage = "usage: quillix-sim [--dir DIR] init|add|show|attach|detach|set|write|read|fault|"
                           "journal|hub ARGS...\n";

// A bad-input error: reported with exit status 2, nothing changed.
struct BadInput {
    std::string message;
};

// A failure of the state itself: exit status 1.
struct Failure {
    std::string message;
};

uint32_t Number(const std::string& text, uint32_t max, const std::string& what) {
    std::optional<uint32_t> value = ParseNumber(text);
    if (!value)
        throw BadInput{"not a number for " + what + ": " + text};
    if (*value > max)
        throw BadInput{platform::StrPrintf("%s out of range (0-%u): %s", what.c_str(), max, text.c_str())};
    return *value;
}

void Expect(const std::vector<std::string>& args, size_t count, const char* synopsis) {
    if (args.size() != count)
        throw BadInput{std::string("usage: ") + synopsis};
}

class Commands {
public:
    Commands(std::string folder, std::ostream& out) : m_folder(std::move(folder)), m_out(out) {}

    void Run(const std::string& command, const std::vector<std::string>& args) {
        if (command == "init")
            Init(args);
        else if (command == "add")
            Add(args);
        else if (command == "show")
            Show(args);
        else if (command == "attach" || command == "detach")
            Attach(command, args);
        else if (command == "set")
            Set(args);
        else if (command == "write")
            Write(args);
        else if (command == "read")
            Read(args);
        else if (command == "fault")
            SetFault(args);
        else if (command == "journal")
            Journal(args);
        else if (command == "hub")
            SetHub(args);
        else
            throw BadInput{"unknown command " + command};
    }

private:
    SimState& State(SimState::Open open = SimState::Open::Load) {
        if (!m_state) {
            m_state = std::make_unique<SimState>(m_folder, open);
            if (!m_state->Ready())
                throw Failure{m_state->Error()};
        }
        return *m_state;
    }

    size_t ReaderIndex(const std::string& text) {
        std::optional<uint32_t> index = ParseNumber(text);
        if (!index || !State().HasReader(*index))
            throw BadInput{"no reader " + text};
        return *index;
    }

    static Memory MemoryArg(const std::string& text) {
        std::optional<Memory> memory = ParseMemory(text);
        if (!memory)
            throw BadInput{"unknown memory " + text + " (efuse, eeprom or flash)"};
        return *memory;
    }

    void Commit() {
        if (!State().Commit())
            throw Failure{State().Error()};
    }

    void Init(const std::vector<std::string>& args) {
        Expect(args, 1, "init PRESET");
        std::vector<Reader> readers;
        if (args[0] == kStationPreset) {
            readers = StationReaders();
        } else if (const PresetInfo* preset = FindPreset(args[0])) {
            readers.push_back(MakeReader(*preset, 0));
        } else if (args[0] != "none") {
            throw BadInput{"unknown preset " + args[0]};
        }
        std::string error;
        if (!State(SimState::Open::Replace).ReplaceReaders(std::move(readers), error))
            throw Failure{error};
        Commit();
    }

    void Add(const std::vector<std::string>& args) {
        Expect(args, 1, "add PRESET");
        if (args[0] == kStationPreset || args[0] == "none")
            throw BadInput{"preset " + args[0] + " cannot be added, use init"};
        const PresetInfo* preset = FindPreset(args[0]);
        if (!preset)
            throw BadInput{"unknown preset " + args[0]};
        std::string error;
        if (!State().AddReader(MakeReader(*preset, State().Data().readers.size()), error))
            throw Failure{error};
        Commit();
    }

    void Show(const std::vector<std::string>& args) {
        Expect(args, 0, "show");
        const std::vector<Reader>& readers = State().Data().readers;
        for (size_t i = 0; i < readers.size(); ++i)
            m_out << ShowLine(i, readers[i]) << '\n';
    }

    void Attach(const std::string& command, const std::vector<std::string>& args) {
        Expect(args, 1, command == "attach" ? "attach N" : "detach N");
        size_t index = ReaderIndex(args[0]);
        if (command == "attach")
            State().Attach(index);
        else
            State().Detach(index);
        Commit();
    }

    void Set(const std::vector<std::string>& args) {
        Expect(args, 3, "set N KEY VALUE");
        size_t index = ReaderIndex(args[0]);
        Reader& reader = State().ReaderAt(index);
        const std::string& key = args[1];
        const std::string& value = args[2];
        unsigned byte = 0;
        char tail = 0;
        std::string error;
        if (std::sscanf(key.c_str(), "status.%u%c", &byte, &tail) == 1 && byte < reader.status.size()) {
            reader.status[byte] = static_cast<uint8_t>(Number(value, 0xFF, key));
        } else if (std::sscanf(key.c_str(), "ext.%u%c", &byte, &tail) == 1 && byte < reader.ext.size()) {
            reader.ext[byte] = static_cast<uint8_t>(Number(value, 0xFF, key));
        } else if (key == "efuse-size" || key == "eeprom-size" || key == "flash-size") {
            Memory memory = *ParseMemory(key.substr(0, key.find('-')));
            // EFUSE lengths are 8-bit and EEPROM lengths 16-bit on the library's interface.
            uint32_t max = memory == Memory::Efuse ? 0xFF : memory == Memory::Eeprom ? 0x10000 : 0x10000000;
            if (!State().ResizeMemory(index, memory, Number(value, max, key), error))
                throw Failure{error};
        } else if (key == "reconnect-opens") {
            reader.reconnectOpens = Number(value, 0xFFFFFFFF, key);
        } else if (key == "location-a") {
            reader.locationA = Number(value, 0xFFFFFFFF, key);
        } else if (key == "location-b") {
            reader.locationB = Number(value, 0xFFFFFFFF, key);
        } else if (key == "hub" && reader.bus == Bus::Usb) {
            reader.hub = Number(value, 0xFFFF, key);
        } else if (key == "port" && reader.bus == Bus::Usb) {
            reader.port = Number(value, 0xFF, key);
        } else if (key == "zero-key-reads") {
            // From now on and after each reset.
            reader.zeroKeyReads = reader.zeroKeyLeft = Number(value, 0xFFFFFFFF, key);
        } else if (key == "ldo") {
            reader.ldo = static_cast<uint8_t>(Number(value, 0xFF, key));
        } else if (key.rfind("accept.", 0) == 0) {
            std::string entry = key.substr(7);
            const EntryInfo* info = FindEntry(entry);
            if (!info || (info->flags & kEntryResets) == 0)
                throw BadInput{"not a reset entry: " + entry};
            if (Number(value, 1, key))
                reader.refusedResets.erase(entry);
            else
                reader.refusedResets.insert(entry);
        } else {
            throw BadInput{"unknown key " + key};
        }
        State().Touch();
        Commit();
    }

    void Write(const std::vector<std::string>& args) {
        Expect(args, 3, "write N MEMORY FILE");
        size_t index = ReaderIndex(args[0]);
        Memory memory = MemoryArg(args[1]);
        std::optional<std::vector<uint8_t>> data = platform::ReadWholeFile(args[2]);
        if (!data)
            throw BadInput{"cannot read " + args[2]};
        uint32_t size = State().ReaderAt(index).MemorySize(memory);
        if (data->size() > size)
            throw BadInput{platform::StrPrintf("%s holds %zu bytes, the %s of reader %zu only %u",
                                               args[2].c_str(), data->size(), MemoryName(memory), index,
                                               size)};
        if (data->empty())
            return;
        if (!State().Chip(index, memory)->Overwrite(0, data->data(), static_cast<uint32_t>(data->size())))
            throw Failure{"cannot write the " + std::string(MemoryName(memory)) + " of reader " + args[0]};
    }

    void Read(const std::vector<std::string>& args) {
        Expect(args, 3, "read N MEMORY FILE");
        size_t index = ReaderIndex(args[0]);
        Memory memory = MemoryArg(args[1]);
        std::vector<uint8_t> data(State().ReaderAt(index).MemorySize(memory));
        if (!data.empty() &&
            !State().Chip(index, memory)->Read(0, data.data(), static_cast<uint32_t>(data.size())))
            throw Failure{"cannot read the " + std::string(MemoryName(memory)) + " of reader " + args[0]};
        if (!platform::WriteWholeFile(args[2], data.data(), data.size()))
            throw Failure{"cannot write " + args[2]};
    }

    void SetFault(const std::vector<std::string>& args) {
        if (args.size() < 2)
            throw BadInput{"usage: fault N KIND ARGS... | fault N off"};
        size_t index = ReaderIndex(args[0]);
        Reader& reader = State().ReaderAt(index);
        std::vector<std::string> rest(args.begin() + 2, args.end());
        if (args[1] == "off") {
            Expect(rest, 0, "fault N off");
            ClearFaults(reader, "");
        } else {
            const FaultKind* kind = FindFaultKind(args[1]);
            if (!kind)
                throw BadInput{"unknown fault kind " + args[1]};
            Fault fault;
            fault.kind = kind->Name();
            std::string error;
            if (!kind->Parse(rest, fault, error))
                throw BadInput{error};
            if (kind->IsSwitch() && rest[0] == "off")
                ClearFaults(reader, fault.kind);
            else
                sim::SetFault(reader, fault);
        }
        State().Touch();
        Commit();
    }

    void Journal(const std::vector<std::string>& args) {
        Expect(args, 1, "journal on|off|clear|show");
        const std::string& action = args[0];
        if (action == "on" || action == "off") {
            State().Data().journal = action == "on";
            State().Touch();
            Commit();
        } else if (action == "clear") {
            State();
            if (!platform::WriteWholeFile(JournalPath(m_folder), "", 0))
                throw Failure{"cannot clear " + JournalPath(m_folder)};
        } else if (action == "show") {
            State();
            std::optional<std::vector<uint8_t>> text = platform::ReadWholeFile(JournalPath(m_folder));
            if (text)
                m_out.write(reinterpret_cast<const char*>(text->data()),
                            static_cast<std::streamsize>(text->size()));
        } else {
            throw BadInput{"usage: journal on|off|clear|show"};
        }
    }

    void SetHub(const std::vector<std::string>& args) {
        Expect(args, 3, "hub H KEY VALUE");
        uint32_t number = Number(args[0], 0xFFFF, "hub");
        if (number == 0)
            throw BadInput{"hubs are numbered from 1"};
        const std::string& key = args[1];
        if (key != "high-speed" && key != "ports")
            throw BadInput{"unknown hub key " + key + " (high-speed or ports)"};
        uint32_t value = key == "high-speed" ? Number(args[2], 1, key) : Number(args[2], 0xFF, key);
        std::vector<Hub>& hubs = State().Data().hubs;
        auto it = std::find_if(hubs.begin(), hubs.end(), [&](const Hub& h) { return h.number == number; });
        if (it == hubs.end()) {
            hubs.push_back(Hub{number, true, 8});
            it = hubs.end() - 1;
        }
        if (key == "high-speed")
            it->highSpeed = value != 0;
        else
            it->ports = value;
        State().Touch();
        Commit();
    }

    std::string m_folder;
    std::ostream& m_out;
    std::unique_ptr<SimState> m_state;
};

} // namespace

std::string ShowLine(size_t index, const Reader& reader) {
    return platform::StrPrintf(
        "%zu %s %s %s status=%s ext=%s efuse=%u eeprom=%u flash=%u", index, reader.preset.c_str(),
        BusName(reader.bus), reader.attached ? "attached" : "detached",
        HexBytes(reader.status.data(), reader.status.size()).c_str(),
        HexBytes(reader.ext.data(), reader.ext.size()).c_str(), reader.MemorySize(Memory::Efuse),
        reader.MemorySize(Memory::Eeprom), reader.MemorySize(Memory::Flash));
}

int RunControlTool(const std::vector<std::string>& args, const std::string& programFolder, std::ostream& out,
                   std::ostream& err) {
    std::vector<std::string> rest = args;
    std::string folder;
    if (!rest.empty() && rest[0] == "--dir") {
        if (rest.size() < 2 || rest[1].empty()) {
            err << "quillix-sim: --dir needs a folder\n";
            return kExitBadInput;
        }
        folder = rest[1];
        if (folder.back() != '/')
            folder += '/';
        rest.erase(rest.begin(), rest.begin() + 2);
    } else {
        folder = StateFolder(programFolder);
    }
    if (rest.empty()) {
        err << kUsage;
        return kExitBadInput;
    }
    std::string command = rest[0];
    rest.erase(rest.begin());
    try {
        Commands(folder, out).Run(command, rest);
    } catch (const BadInput& bad) {
        err << "quillix-sim: " << bad.message << '\n';
        return kExitBadInput;
    } catch (const Failure& failure) {
        err << "quillix-sim: " << failure.message << '\n';
        return kExitFailure;
    } catch (const std::exception& e) {
        err << "quillix-sim: " << e.what() << '\n';
        return kExitFailure;
    }
    return kExitOk;
}

} // namespace sim
