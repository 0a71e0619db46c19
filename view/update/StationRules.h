#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

// The rules of the three-socket update station that are more than wiring: which socket a reader sits
// in, what the station tells the operator after a detection, the serial-number filter and the station
// file. Sockets are indexed 0 ("SD1", "SD Card #1"), 1 ("CF", "CF Card") and 2 ("SD2", "SD Card #2").

inline constexpr size_t kStationSockets = 3;

// The configuration section of each socket, in socket order.
inline constexpr const char* kStationSections[kStationSockets] = {"SD1", "CF", "SD2"};

// A reader attached to a port of a high-speed hub, in the order the readers were found.
struct PortReader {
    uint32_t dwInstance = 0;
    uint32_t dwHub = 0;
    uint32_t nPort = 0;
};

// An entry of the reader list: the reader, its hub and the socket it occupies.
struct StationReader {
    uint32_t dwInstance = 0;
    uint32_t dwHub = 0;
    uint32_t nSocket = 0;
    bool operator==(const StationReader&) const = default;
};

// Sockets by port number and hub: the first reader on port 8 is "CF"; a single reader on port 7 is
// "SD1" when there is no CF reader or it shares the CF reader's hub, "SD2" otherwise; of two readers
// on port 7 the one on the CF reader's hub is "SD1" and the other "SD2", and without a CF reader the
// later one is "SD1" and "SD2" stays empty. Readers on other ports get no socket. The list is in socket
// order.
std::vector<StationReader> AssignSockets(const std::vector<PortReader>& readers);

// What a detection shows: per socket its status and whether its firmware file is ready, and the
// station message.
struct StationView {
    std::array<std::string, kStationSockets> status;
    std::array<bool, kStationSockets> fileReady{};
    std::string message;
};

struct StationInputs {
    std::array<bool, kStationSockets> occupied{};
    std::array<std::string, kStationSockets> firmwarePath;
    std::array<std::string, kStationSockets> fileName;
    std::array<bool, kStationSockets> fileAvailable{};
    // After an update the final message stays unless something is wrong, and a socket that still
    // holds its reader keeps the result of its update.
    bool bAfterUpdate = false;
    std::string previousMessage;
    std::array<std::string, kStationSockets> previousStatus;
};

StationView EvaluateStation(const StationInputs& inputs);

// The statuses a socket shows during and after an update.
inline constexpr const char* kStatusUpdating = "Firmware Updating";
inline constexpr const char* kStatusFinished = "Firmware Update Finished";
inline constexpr const char* kStatusFailed = "Firmware Update Fail";

// Start, Load, Save, the serial-number edits and the Browser buttons are enabled exactly when every
// socket has a reader and an available firmware file.
bool StationControlsEnabled(const std::array<bool, kStationSockets>& fileReady);

// A serial number keeps its leading digits and upper-case letters A-Z, up to the first other character.
std::string FilterSerialNumber(const std::string& text);

// The name shown for a firmware path: the part after the last '/' or '\'.
std::string FirmwareFileName(const std::string& path);

// What makes a socket's firmware file available: a regular file that can be read and is not empty.
bool FirmwareFileAvailable(const std::string& path);

// The station file: per socket "FW Path" and "SN", as "[SD1]", "FW Path=...", "SN=..." and an empty
// line, each ending in CR LF, in socket order.
struct StationSettings {
    std::array<std::string, kStationSockets> firmwarePath;
    std::array<std::string, kStationSockets> serialNumber;
    bool operator==(const StationSettings&) const = default;
};

std::string FormatStationFile(const StationSettings& settings);
// Reads the sections "SD1", "CF" and "SD2" of a station file through the INI reader; a socket whose
// section or key is missing gets an empty value. False when the file cannot be read.
bool LoadStationFile(const std::string& path, StationSettings& settings);
