#include "view/update/StationRules.h"

#include "model/IniFile.h"
#include "platform/FileSystem.h"
#include "platform/Text.h"

#include <fstream>

namespace {

constexpr uint32_t kCfPort = 8;
constexpr uint32_t kSdPort = 7;
constexpr size_t kSd1 = 0;
constexpr size_t kCf = 1;
constexpr size_t kSd2 = 2;

constexpr const char* kNotDetect = "Not detect";
constexpr const char* kReady = "Ready";
constexpr const char* kNotFullReady = "3 card reader devices not full ready, please check.";
constexpr const char* kConnectDevice = "Please connect device to start.";
constexpr const char* kNotFullLoad = "3 card reader firmware not full load, please check.";
constexpr const char* kFileNotAvailable = "The firmware file %s is not available to update, please check.";
constexpr const char* kReadyToStart = "Device is detect and ready to start update firmware.";

constexpr const char* kPathKey = "FW Path";
constexpr const char* kSerialKey = "SN";

} // namespace

std::vector<StationReader> AssignSockets(const std::vector<PortReader>& readers) {
    const PortReader* cf = nullptr;
    std::vector<const PortReader*> sd;
    for (const PortReader& reader : readers) {
        if (reader.nPort == kCfPort && !cf)
            cf = &reader;
        else if (reader.nPort == kSdPort)
            sd.push_back(&reader);
    }
    const PortReader* sockets[kStationSockets] = {};
    sockets[kCf] = cf;
    if (sd.size() == 1) {
        const bool withCf = !cf || sd[0]->dwHub == cf->dwHub;
        sockets[withCf ? kSd1 : kSd2] = sd[0];
    } else if (sd.size() >= 2 && cf) {
        for (const PortReader* reader : sd) {
            size_t socket = reader->dwHub == cf->dwHub && !sockets[kSd1] ? kSd1 : kSd2;
            if (!sockets[socket])
                sockets[socket] = reader;
        }
    } else if (sd.size() >= 2) {
        sockets[kSd1] = sd.back();
    }
    std::vector<StationReader> list;
    for (size_t socket = 0; socket < kStationSockets; ++socket)
        if (sockets[socket])
            list.push_back(
                {sockets[socket]->dwInstance, sockets[socket]->dwHub, static_cast<uint32_t>(socket)});
    return list;
}

StationView EvaluateStation(const StationInputs& inputs) {
    StationView view;
    view.message = inputs.previousMessage;
    const auto& occupied = inputs.occupied;
    for (size_t socket = 0; socket < kStationSockets; ++socket) {
        view.status[socket] = occupied[socket] ? kReady : kNotDetect;
        const std::string& before = inputs.previousStatus[socket];
        if (inputs.bAfterUpdate && occupied[socket] && (before == kStatusFinished || before == kStatusFailed))
            view.status[socket] = before;
    }

    const bool all = occupied[kSd1] && occupied[kCf] && occupied[kSd2];
    if (!occupied[kSd1]) {
        if (!occupied[kCf] && !occupied[kSd2]) {
            view.message = kConnectDevice;
            return view;
        }
        view.message = kNotFullReady;
    } else if (!all) {
        view.message = kNotFullReady;
    }
    bool pathMissing = false;
    for (const std::string& path : inputs.firmwarePath)
        pathMissing = pathMissing || path.empty();
    if (all && pathMissing)
        view.message = kNotFullLoad;

    for (size_t socket = 0; socket < kStationSockets; ++socket)
        view.fileReady[socket] = occupied[socket] && inputs.fileAvailable[socket];

    // A missing path already has its own message; the file check names a file that was configured.
    if (all && !pathMissing) {
        for (size_t socket = 0; socket < kStationSockets; ++socket) {
            if (!inputs.fileAvailable[socket]) {
                view.message = platform::StrPrintf(kFileNotAvailable, inputs.fileName[socket].c_str());
                return view;
            }
        }
        if (!inputs.bAfterUpdate)
            view.message = kReadyToStart;
    }
    return view;
}

bool StationControlsEnabled(const std::array<bool, kStationSockets>& fileReady) {
    return fileReady[kSd1] && fileReady[kCf] && fileReady[kSd2];
}

std::string FilterSerialNumber(const std::string& text) {
    size_t end = 0;
    while (end < text.size() &&
           ((text[end] >= '0' && text[end] <= '9') || (text[end] >= 'A' && text[end] <= 'Z')))
        ++end;
    return text.substr(0, end);
}

std::string FirmwareFileName(const std::string& path) {
    size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool FirmwareFileAvailable(const std::string& path) {
    if (path.empty() || !platform::IsRegularFile(path))
        return false;
    std::ifstream file(path, std::ios::binary);
    return file && file.peek() != std::ifstream::traits_type::eof();
}

std::string FormatStationFile(const StationSettings& settings) {
    std::string text;
    for (size_t socket = 0; socket < kStationSockets; ++socket) {
        text += platform::StrPrintf("[%s]\r\n", kStationSections[socket]);
        text += platform::StrPrintf("%s=%s\r\n", kPathKey, settings.firmwarePath[socket].c_str());
        text += platform::StrPrintf("%s=%s\r\n", kSerialKey, settings.serialNumber[socket].c_str());
        text += "\r\n";
    }
    return text;
}

bool LoadStationFile(const std::string& path, StationSettings& settings) {
    CIniFile file(path);
    if (!platform::IsRegularFile(path) || !file.Load())
        return false;
    for (size_t socket = 0; socket < kStationSockets; ++socket) {
        settings.firmwarePath[socket] =
            platform::IniBytesToUtf8(file.GetString(kStationSections[socket], kPathKey, ""));
        settings.serialNumber[socket] =
            platform::IniBytesToUtf8(file.GetString(kStationSections[socket], kSerialKey, ""));
    }
    return true;
}
