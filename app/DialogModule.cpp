#include "app/DialogModule.h"

#include "app/Messages.h"
#include "app/TraceLog.h"
#include "core/Broadcast.h"
#include "platform/DynamicLibrary.h"
#include "platform/ProgramFolder.h"

#include <cerrno>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

// Platforms that draw without a display server.
constexpr const char* kHeadlessPlatforms[] = {"offscreen", "minimal", "vnc", "eglfs", "linuxfb"};
constexpr int kX11TcpPortBase = 6000;
constexpr int kConnectTimeoutMs = 3000;

bool StartsWith(const std::string& text, const char* prefix) {
    return text.compare(0, std::strlen(prefix), prefix) == 0;
}

// Connects without waiting longer than the time-out; true when the peer accepted.
bool ConnectsWithin(int fd, const sockaddr* address, socklen_t length) {
    int flags = fcntl(fd, F_GETFL, 0);
    if (flags < 0 || fcntl(fd, F_SETFL, flags | O_NONBLOCK) < 0)
        return false;
    if (connect(fd, address, length) == 0)
        return true;
    if (errno != EINPROGRESS)
        return false;
    pollfd waiting{fd, POLLOUT, 0};
    if (poll(&waiting, 1, kConnectTimeoutMs) != 1)
        return false;
    int error = 0;
    socklen_t size = sizeof(error);
    return getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &size) == 0 && error == 0;
}

// A local X server listens on /tmp/.X11-unix/X<n>, and usually on the abstract name of that path too.
bool LocalXServerAnswers(const std::string& number) {
    std::string path = "/tmp/.X11-unix/X" + number;
    for (bool abstract : {false, true}) {
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        size_t offset = abstract ? 1 : 0;
        if (path.size() + offset >= sizeof(address.sun_path))
            return false;
        std::memcpy(address.sun_path + offset, path.data(), path.size());
        auto length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + offset + path.size() +
                                             (abstract ? 0 : 1));
        int fd = socket(AF_UNIX, SOCK_STREAM, 0);
        if (fd < 0)
            return false;
        bool answered = ConnectsWithin(fd, reinterpret_cast<const sockaddr*>(&address), length);
        close(fd);
        if (answered)
            return true;
    }
    return false;
}

bool RemoteXServerAnswers(const std::string& host, int number) {
    addrinfo hints{};
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    std::string port = std::to_string(kX11TcpPortBase + number);
    if (getaddrinfo(host.c_str(), port.c_str(), &hints, &found) != 0)
        return false;
    bool answered = false;
    for (addrinfo* entry = found; entry && !answered; entry = entry->ai_next) {
        int fd = socket(entry->ai_family, entry->ai_socktype, entry->ai_protocol);
        if (fd < 0)
            continue;
        answered = ConnectsWithin(fd, entry->ai_addr, entry->ai_addrlen);
        close(fd);
    }
    freeaddrinfo(found);
    return answered;
}

// "" when the X display named "[host]:number[.screen]" accepts a connection.
std::string XDisplayUnavailableReason(const std::string& display) {
    size_t colon = display.rfind(':');
    if (colon == std::string::npos)
        return "the display name \"" + display + "\" is not of the form host:number";
    std::string host = display.substr(0, colon);
    std::string number = display.substr(colon + 1);
    number = number.substr(0, number.find('.'));
    if (number.empty() || number.find_first_not_of("0123456789") != std::string::npos || number.size() > 5)
        return "the display name \"" + display + "\" is not of the form host:number";
    bool answers = (host.empty() || host == "unix") ? LocalXServerAnswers(number)
                                                    : RemoteXServerAnswers(host, std::stoi(number));
    return answers ? std::string() : "the X display \"" + display + "\" does not accept a connection";
}

} // namespace

std::string DisplayUnavailableReason(const EnvironmentLookup& env) {
    const char* platform = env("QT_QPA_PLATFORM");
    if (platform && *platform) {
        for (const char* headless : kHeadlessPlatforms)
            if (StartsWith(platform, headless))
                return std::string();
    }
    const char* display = env("DISPLAY");
    if (!display || !*display)
        return "no display is available (DISPLAY is not set)";
    return XDisplayUnavailableReason(display);
}

void RunDialogModule() {
    TraceScope scope("CQuillixApp::RunDialog", kTraceApp);
    std::string reason = DisplayUnavailableReason([](const char* name) { return std::getenv(name); });
    std::string path = GetProgramFolder() + kDialogModuleName;
    QuillixRunDialogFn run = nullptr;
    if (reason.empty()) {
        // The module stays loaded until the process ends: the GUI libraries it pulled in keep exit
        // handlers of their own.
        platform::LibraryHandle module = platform::LoadLibraryFile(path);
        if (!module)
            reason = "the dialog module " + path + " or the Qt 6 libraries it needs cannot be loaded";
        else if (!(run = reinterpret_cast<QuillixRunDialogFn>(
                       platform::FindExport(module, kDialogModuleEntry))))
            reason = "the dialog module " + path + " lacks its entry " + kDialogModuleEntry;
    }
    if (!reason.empty()) {
        TraceLine(scope, "No dialog: %s\n", reason.c_str());
        std::fprintf(stderr, "quillix: the window cannot be shown: %s.\n", reason.c_str());
        g_dwErrorCode = IDS_NOT_SUPPORT;
        return;
    }
    ResultCode code = run();
    if (code != 0)
        g_dwErrorCode = code;
}
