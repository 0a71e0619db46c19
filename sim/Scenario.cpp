#include "sim/Scenario.h"

#include "model/IniFile.h"
#include "platform/Text.h"

#include "sim/FileAccess.h"

#include <cstdio>
#include <sstream>

namespace sim {

namespace {

// The store's serialisation, so the scenario can be written to a temporary file and renamed.
class ScenarioIni : public CIniFile {
public:
    using CIniFile::CIniFile;
    using CIniFile::Serialize;
};

const char* const kMainSection = "Simulator";

std::string Hex(uint32_t value) {
    return platform::StrPrintf("0x%X", value);
}

std::vector<std::string> Words(const std::string& text) {
    std::vector<std::string> words;
    std::istringstream in(text);
    std::string word;
    while (in >> word)
        words.push_back(word);
    return words;
}

std::string ReaderSection(size_t index) {
    return platform::StrPrintf("Reader %zu", index);
}
std::string HubSection(uint32_t number) {
    return platform::StrPrintf("Hub %u", number);
}

// Reads the settings of one reader section; false with a reason on a malformed value.
bool LoadReader(const CIniFile& ini, const std::string& section, Reader& reader, std::string& error) {
    auto fail = [&](const std::string& what) {
        error = "[" + section + "] " + what;
        return false;
    };
    auto number = [&](const char* key, uint32_t def) {
        return ini.GetNumber(section, key, static_cast<int32_t>(def));
    };

    reader.preset = ini.GetString(section, "Preset", "");
    std::string bus = ini.GetString(section, "Bus", "usb");
    if (bus == "usb")
        reader.bus = Bus::Usb;
    else if (bus == "pcie")
        reader.bus = Bus::Pcie;
    else
        return fail("unknown bus " + bus);
    reader.storageClass = number("Storage", 0) != 0;
    reader.attached = number("Attached", 1) != 0;
    if (!ParseHexBytes(ini.GetString(section, "Status", ""), reader.status.data(), reader.status.size()))
        return fail("Status is not 16 hexadecimal bytes");
    if (!ParseHexBytes(ini.GetString(section, "Ext", ""), reader.ext.data(), reader.ext.size()))
        return fail("Ext is not 32 hexadecimal bytes");
    reader.memorySize[static_cast<size_t>(Memory::Efuse)] = number("EfuseSize", 0);
    reader.memorySize[static_cast<size_t>(Memory::Eeprom)] = number("EepromSize", 0);
    reader.memorySize[static_cast<size_t>(Memory::Flash)] = number("FlashSize", 0);
    reader.reconnectOpens = number("ReconnectOpens", 0);
    reader.locationA = number("LocationA", 0);
    reader.locationB = number("LocationB", 0);
    reader.instance = number("Instance", 0);
    reader.hub = number("Hub", 0);
    reader.port = number("Port", 0);
    reader.ldo = static_cast<uint8_t>(number("Ldo", 0x08));
    reader.zeroKeyReads = number("ZeroKeyReads", 0);
    reader.zeroKeyLeft = number("ZeroKeyLeft", 0);
    reader.zeroKeyShown = number("ZeroKeyShown", 0) != 0;
    reader.generation = number("Generation", 0);
    reader.away = number("Away", 0) != 0;
    reader.awayOpens = number("AwayOpens", 0);
    reader.gone = number("Gone", 0) != 0;

    for (const std::string& item : Words(ini.GetString(section, "Registers", ""))) {
        unsigned address = 0, value = 0;
        if (std::sscanf(item.c_str(), "%4x:%2x", &address, &value) != 2)
            return fail("bad register " + item);
        reader.registers[static_cast<uint16_t>(address)] = static_cast<uint8_t>(value);
    }
    for (const std::string& item : Words(ini.GetString(section, "Phy", ""))) {
        unsigned port = 0, reg = 0, value = 0;
        if (std::sscanf(item.c_str(), "%4x:%4x:%4x", &port, &reg, &value) != 3)
            return fail("bad PHY register " + item);
        reader.phy[(port << 16) | reg] = static_cast<uint16_t>(value);
    }
    for (const std::string& item : Words(ini.GetString(section, "Refuse", "")))
        reader.refusedResets.insert(item);
    for (int i = 0;; ++i) {
        std::string text = ini.GetString(section, platform::StrPrintf("Fault%d", i), "");
        if (text.empty())
            break;
        std::vector<std::string> words = Words(text);
        Fault fault;
        if (words.size() != 5)
            return fail("bad fault " + text);
        fault.kind = words[0];
        fault.entry = words[1] == "-" ? std::string() : words[1];
        auto count = ParseNumber(words[2]), after = ParseNumber(words[3]), calls = ParseNumber(words[4]);
        if (!count || !after || !calls)
            return fail("bad fault " + text);
        fault.count = *count;
        fault.after = *after;
        fault.calls = *calls;
        reader.faults.push_back(fault);
    }
    return true;
}

void StoreReader(CIniFile& ini, const std::string& section, const Reader& reader) {
    auto set = [&](const char* key, const std::string& value) { ini.SetEntry(section, key, value); };
    set("Preset", reader.preset);
    set("Bus", BusName(reader.bus));
    set("Storage", reader.storageClass ? "1" : "0");
    set("Attached", reader.attached ? "1" : "0");
    set("Status", HexBytes(reader.status.data(), reader.status.size()));
    set("Ext", HexBytes(reader.ext.data(), reader.ext.size()));
    set("EfuseSize", Hex(reader.MemorySize(Memory::Efuse)));
    set("EepromSize", Hex(reader.MemorySize(Memory::Eeprom)));
    set("FlashSize", Hex(reader.MemorySize(Memory::Flash)));
    set("ReconnectOpens", std::to_string(reader.reconnectOpens));
    set("LocationA", Hex(reader.locationA));
    set("LocationB", Hex(reader.locationB));
    set("Instance", Hex(reader.instance));
    set("Hub", std::to_string(reader.hub));
    set("Port", std::to_string(reader.port));
    set("Ldo", Hex(reader.ldo));
    set("ZeroKeyReads", std::to_string(reader.zeroKeyReads));
    set("ZeroKeyLeft", std::to_string(reader.zeroKeyLeft));
    set("ZeroKeyShown", reader.zeroKeyShown ? "1" : "0");
    std::string registers;
    for (const auto& [address, value] : reader.registers)
        registers += platform::StrPrintf("%s%04X:%02X", registers.empty() ? "" : " ", address, value);
    set("Registers", registers);
    std::string phy;
    for (const auto& [key, value] : reader.phy)
        phy +=
            platform::StrPrintf("%s%04X:%04X:%04X", phy.empty() ? "" : " ", key >> 16, key & 0xFFFF, value);
    set("Phy", phy);
    std::string refused;
    for (const std::string& name : reader.refusedResets)
        refused += (refused.empty() ? "" : " ") + name;
    set("Refuse", refused);
    set("Generation", std::to_string(reader.generation));
    set("Away", reader.away ? "1" : "0");
    set("AwayOpens", std::to_string(reader.awayOpens));
    set("Gone", reader.gone ? "1" : "0");
    for (size_t i = 0; i < reader.faults.size(); ++i) {
        const Fault& fault = reader.faults[i];
        set(platform::StrPrintf("Fault%zu", i).c_str(),
            platform::StrPrintf("%s %s %u %u %u", fault.kind.c_str(),
                                fault.entry.empty() ? "-" : fault.entry.c_str(), fault.count, fault.after,
                                fault.calls));
    }
}

} // namespace

const char* BusName(Bus bus) {
    return bus == Bus::Pcie ? "pcie" : "usb";
}

const char* MemoryName(Memory memory) {
    switch (memory) {
    case Memory::Efuse:
        return "efuse";
    case Memory::Eeprom:
        return "eeprom";
    case Memory::Flash:
        return "flash";
    }
    return "";
}

std::optional<Memory> ParseMemory(std::string_view name) {
    for (Memory memory : kMemories)
        if (name == MemoryName(memory))
            return memory;
    return std::nullopt;
}

void Scenario::AddEvent(bool arrived, uint32_t device) {
    events[changeCount] = DeviceEvent{arrived, device};
    ++changeCount;
    while (events.size() > kKeptEvents)
        events.erase(events.begin());
}

bool LoadScenario(const std::string& path, Scenario& scenario, std::string& error) {
    ScenarioIni ini(path);
    if (!ini.Load()) {
        error = "cannot read " + path;
        return false;
    }
    Scenario loaded;
    loaded.journal = ini.GetNumber(kMainSection, "Journal", 0) != 0;
    loaded.changeCount = ini.GetNumber(kMainSection, "Changes", 0);
    uint32_t first = loaded.changeCount > kKeptEvents ? loaded.changeCount - kKeptEvents : 0;
    for (uint32_t seq = first; seq < loaded.changeCount; ++seq) {
        std::vector<std::string> words =
            Words(ini.GetString(kMainSection, platform::StrPrintf("Event%u", seq), ""));
        if (words.size() != 2)
            continue;
        auto device = ParseNumber(words[1]);
        if (device)
            loaded.events[seq] = DeviceEvent{words[0] == "arrive", *device};
    }
    for (int s = 0; s < ini.SectionCount(); ++s) {
        unsigned number = 0;
        char tail = 0;
        if (std::sscanf(ini.SectionName(s).c_str(), "Hub %u%c", &number, &tail) != 1)
            continue;
        Hub hub;
        hub.number = number;
        hub.highSpeed = ini.GetNumber(s, "HighSpeed", 1) != 0;
        hub.ports = ini.GetNumber(s, "Ports", 8);
        loaded.hubs.push_back(hub);
    }
    for (size_t i = 0; ini.FindSection(ReaderSection(i)) != CIniFile::INI_NOT_FOUND; ++i) {
        Reader reader;
        if (!LoadReader(ini, ReaderSection(i), reader, error))
            return false;
        loaded.readers.push_back(std::move(reader));
    }
    scenario = std::move(loaded);
    return true;
}

bool SaveScenario(const std::string& path, const Scenario& scenario, std::string& error) {
    ScenarioIni ini(path);
    ini.AddHeaderComment(" State of the simulated readers. Change it with quillix-sim, not by hand.");
    ini.SetEntry(kMainSection, "Journal", scenario.journal ? "1" : "0");
    ini.SetEntry(kMainSection, "Changes", std::to_string(scenario.changeCount));
    for (const auto& [seq, event] : scenario.events)
        ini.SetEntry(kMainSection, platform::StrPrintf("Event%u", seq),
                     std::string(event.arrived ? "arrive " : "remove ") + Hex(event.device));
    for (const Hub& hub : scenario.hubs) {
        ini.SetEntry(HubSection(hub.number), "HighSpeed", hub.highSpeed ? "1" : "0");
        ini.SetEntry(HubSection(hub.number), "Ports", std::to_string(hub.ports));
    }
    for (size_t i = 0; i < scenario.readers.size(); ++i)
        StoreReader(ini, ReaderSection(i), scenario.readers[i]);

    std::string temp = path + ".tmp";
    std::string text = ini.Serialize();
    SimFile file(temp, SimFile::Mode::Create);
    if (!file.IsOpen()) {
        error = "cannot create " + temp + ": " + LastSystemError();
        return false;
    }
    bool ok = file.WriteAt(0, reinterpret_cast<const uint8_t*>(text.data()), text.size());
    ok = file.Close() && ok;
    if (!ok || !ReplaceWith(temp, path)) {
        error = "cannot write " + path + ": " + LastSystemError();
        RemoveFile(temp);
        return false;
    }
    return true;
}

std::string MemoryPath(const std::string& folder, size_t reader, Memory memory) {
    return folder + platform::StrPrintf("reader%zu-%s.bin", reader, MemoryName(memory));
}

std::string HexBytes(const uint8_t* data, size_t size) {
    std::string text;
    text.reserve(size * 2);
    for (size_t i = 0; i < size; ++i)
        text += platform::StrPrintf("%02X", data[i]);
    return text;
}

bool ParseHexBytes(std::string_view text, uint8_t* out, size_t size) {
    if (text.size() != size * 2)
        return false;
    auto digit = [](char c) -> int {
        if (c >= '0' && c <= '9')
            return c - '0';
        if (c >= 'a' && c <= 'f')
            return c - 'a' + 10;
        if (c >= 'A' && c <= 'F')
            return c - 'A' + 10;
        return -1;
    };
    for (size_t i = 0; i < size; ++i) {
        int high = digit(text[2 * i]), low = digit(text[2 * i + 1]);
        if (high < 0 || low < 0)
            return false;
        out[i] = static_cast<uint8_t>(high * 16 + low);
    }
    return true;
}

std::optional<uint32_t> ParseNumber(std::string_view text) {
    unsigned base = 10;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        base = 16;
        text.remove_prefix(2);
    }
    if (text.empty())
        return std::nullopt;
    uint64_t value = 0;
    for (char c : text) {
        unsigned d;
        if (c >= '0' && c <= '9')
            d = static_cast<unsigned>(c - '0');
        else if (base == 16 && c >= 'a' && c <= 'f')
            d = static_cast<unsigned>(c - 'a' + 10);
        else if (base == 16 && c >= 'A' && c <= 'F')
            d = static_cast<unsigned>(c - 'A' + 10);
        else
            return std::nullopt;
        value = value * base + d;
        if (value > 0xFFFFFFFFu)
            return std::nullopt;
    }
    return static_cast<uint32_t>(value);
}

} // namespace sim
