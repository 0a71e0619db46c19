#include "app/TraceLog.h"

#include "model/ConfigIni.h"
#include "platform/Clock.h"
#include "platform/FileSystem.h"
#include "platform/LogFile.h"
#include "platform/ProgramFolder.h"
#include "platform/StateFolder.h"
#include "platform/Text.h"

#include <atomic>
#include <cstdarg>
#include <mutex>
#include <string>

namespace {

constexpr size_t kLineBufferChars = 512;
constexpr const char* kLogName = "Quillix.log";
constexpr unsigned kMaxLogsPerSecond = 1000;

struct TraceLogState {
    std::mutex lock;
    platform::LogFile file;
    std::atomic<uint32_t> outputEnabled{0};
    std::atomic<uint32_t> categoryMask{0};
};

TraceLogState& State() {
    static TraceLogState state;
    return state;
}

std::string ReplaceAll(std::string text, const std::string& from, const std::string& to) {
    for (size_t pos = text.find(from); pos != std::string::npos; pos = text.find(from, pos + to.size()))
        text.replace(pos, from.size(), to);
    return text;
}

std::string LittleEndianBytes(const std::u16string& text) {
    std::string bytes;
    bytes.reserve(text.size() * 2);
    for (char16_t c : text) {
        bytes += static_cast<char>(c & 0xFF);
        bytes += static_cast<char>(c >> 8);
    }
    return bytes;
}

// Writes one line "(<tid>-<tick>):<name>:> <body>"; the caller has checked the category.
void WriteLine(const char* name, const std::string& body) {
    TraceLogState& state = State();
    uint32_t threadId = platform::CurrentThreadId();
    uint32_t tick = platform::GetTickCount();
    std::string text = platform::StrPrintf("(%X-%u):%s:> ", threadId, tick, name) + body;

    std::lock_guard guard(state.lock);
    std::u16string line = platform::Utf8ToUtf16(text);
    // The line and its terminator must fit the buffer; never cut a surrogate pair in half.
    if (line.size() > kLineBufferChars - 1) {
        line.resize(kLineBufferChars - 1);
        if (line.back() >= 0xD800 && line.back() <= 0xDBFF)
            line.pop_back();
    }
    if (!line.empty() && line.back() == u'\n') {
        line.back() = u'\r';
        line += u'\n';
    }
    if (state.outputEnabled.load() && state.file.IsOpen()) {
        std::string bytes = LittleEndianBytes(line);
        state.file.Append(bytes.data(), bytes.size());
    }
}

void WriteTraceLine(const TraceScope& scope, const char* format, va_list args) {
    if ((State().categoryMask.load() & scope.dwCategory) == 0)
        return;
    WriteLine(scope.pszName, platform::StrVPrintf(format, args));
}

// Opens the time-stamped log of this start: "_2", "_3", ... follow the time stamp when a log of the
// same second exists, so a start never replaces another run's log. The path opened, or "" when none.
std::string CreateTimestampedLog(platform::LogFile& file, const std::string& folder,
                                 const std::string& stamp) {
    for (unsigned run = 1; run <= kMaxLogsPerSecond; ++run) {
        std::string suffix = run == 1 ? stamp + ".log" : stamp + platform::StrPrintf("_%u.log", run);
        // The time stamp goes into the file name only, never into the folder part of the path.
        std::string path = folder + ReplaceAll(kLogName, ".log", suffix);
        if (file.CreateNew(path))
            return path;
        if (!platform::FileExists(path))
            return "";
    }
    return "";
}

} // namespace

void OpenTraceLog() {
    TraceLogState& state = State();
    std::tm local = platform::LocalTimeNow();
    std::string stamp =
        platform::StrPrintf("_%04d%02d%02d%02d%02d%02d", local.tm_year + 1900, local.tm_mon + 1,
                            local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec);
    uint32_t mask = g_pConfigIni ? g_pConfigIni->GetNumber("Quillix Log", "LogCategory", 0) : 0;
    state.outputEnabled = 1;

    // Beside the executable, or in the user's state folder when the program folder is shared.
    std::string folder = platform::StateFolderFor(GetProgramFolder());
    if (!platform::IsDirectory(folder))
        platform::CreateDirectories(folder);
    std::string path;
    {
        std::lock_guard guard(state.lock);
        if (mask == 0) {
            // Without tracing the log holds only the byte-order mark and is replaced at every start.
            path = folder + kLogName;
            if (platform::IsReadOnly(path))
                platform::ClearReadOnly(path);
            if (!state.file.Create(path))
                path.clear();
        } else {
            path = CreateTimestampedLog(state.file, folder, stamp);
        }
        if (!path.empty()) {
            static const unsigned char kBom[2] = {0xFF, 0xFE};
            state.file.Append(kBom, sizeof(kBom));
        }
        state.categoryMask = mask;
    }
    // The first line names the file, so a support engineer sees which log belongs to which run.
    if (mask != 0 && !path.empty())
        WriteLine("OpenTraceLog", "Log File: " + path + "\n");
}

void CloseTraceLog() {
    TraceLogState& state = State();
    std::lock_guard guard(state.lock);
    state.file.Close();
}

void TraceLine(const TraceScope& scope, const char* format, ...) {
    va_list args;
    va_start(args, format);
    WriteTraceLine(scope, format, args);
    va_end(args);
}

TraceScope::TraceScope(const char* name, uint32_t category)
    : pszName(name), bActive(true), dwCategory(category) {
    TraceLine(*this, "START --->>>\n");
}

TraceScope::~TraceScope() {
    if (bActive)
        TraceLine(*this, "EXIT <<<---\n");
}
