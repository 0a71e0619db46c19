#include "tests/support/Process.h"

#include "platform/win/ArgumentQuoting.h"
#include "platform/win/WideText.h"
#include "tests/support/TempDir.h"

#include <algorithm>
#include <cstdlib>
#include <cwctype>
#include <filesystem>
#include <memory>
#include <string>
#include <windows.h>

namespace testsupport {

namespace {

using platform::win::Widen;

// A kernel handle, closed when the object goes.
class Handle {
public:
    explicit Handle(HANDLE handle = INVALID_HANDLE_VALUE) : m_handle(handle) {}
    ~Handle() {
        if (Valid())
            CloseHandle(m_handle);
    }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    bool Valid() const { return m_handle && m_handle != INVALID_HANDLE_VALUE; }
    HANDLE Get() const { return m_handle; }

private:
    HANDLE m_handle;
};

// A file handle that a child can inherit (only where the handle list of the start names it).
HANDLE OpenInheritable(const std::string& path, bool write) {
    SECURITY_ATTRIBUTES inherit{sizeof(inherit), nullptr, TRUE};
    return CreateFileW(Widen(path).c_str(), write ? GENERIC_WRITE : GENERIC_READ,
                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, &inherit,
                       write ? CREATE_ALWAYS : OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}

std::wstring Upper(std::wstring text) {
    for (wchar_t& c : text)
        c = static_cast<wchar_t>(std::towupper(c));
    return text;
}

// The name of an environment entry "NAME=value"; the hidden per-drive entries ("=C:=C:\x") start
// with '='.
std::wstring NameOf(const std::wstring& entry) {
    return entry.substr(0, entry.find(L'=', 1));
}

// This process's environment changed as `options` says, as the block CreateProcessW takes: entries
// sorted by upper-cased name, each ended by a null character, and one more null at the end.
std::wstring ChildEnvironmentBlock(const RunOptions& options) {
    std::vector<std::wstring> changed;
    for (const std::string& name : options.removeEnvironment)
        changed.push_back(Upper(Widen(name)));
    for (const auto& variable : options.setEnvironment)
        changed.push_back(Upper(Widen(variable.first)));

    std::vector<std::wstring> entries;
    std::unique_ptr<wchar_t, decltype(&FreeEnvironmentStringsW)> block(GetEnvironmentStringsW(),
                                                                       &FreeEnvironmentStringsW);
    for (const wchar_t* entry = block.get(); entry && *entry; entry += wcslen(entry) + 1) {
        std::wstring text = entry;
        if (std::find(changed.begin(), changed.end(), Upper(NameOf(text))) == changed.end())
            entries.push_back(text);
    }
    for (const auto& [name, value] : options.setEnvironment)
        entries.push_back(Widen(name + "=" + value));
    std::sort(entries.begin(), entries.end(), [](const std::wstring& a, const std::wstring& b) {
        return Upper(NameOf(a)) < Upper(NameOf(b));
    });
    std::wstring result;
    for (const std::wstring& entry : entries)
        result += entry + L'\0';
    return result + L'\0';
}

// The process attribute that lets the child inherit exactly `handles`, so programs started at the
// same time by other threads never hold each other's output files.
class InheritOnly {
public:
    explicit InheritOnly(std::vector<HANDLE> handles) : m_handles(std::move(handles)) {
        SIZE_T size = 0;
        InitializeProcThreadAttributeList(nullptr, 1, 0, &size);
        m_storage.resize(size);
        m_list = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(m_storage.data());
        m_ready = InitializeProcThreadAttributeList(m_list, 1, 0, &size) &&
                  UpdateProcThreadAttribute(m_list, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, m_handles.data(),
                                            m_handles.size() * sizeof(HANDLE), nullptr, nullptr);
    }
    ~InheritOnly() {
        if (m_list)
            DeleteProcThreadAttributeList(m_list);
    }
    InheritOnly(const InheritOnly&) = delete;
    InheritOnly& operator=(const InheritOnly&) = delete;
    bool Ready() const { return m_ready; }
    LPPROC_THREAD_ATTRIBUTE_LIST List() const { return m_list; }

private:
    std::vector<HANDLE> m_handles;
    std::vector<char> m_storage;
    LPPROC_THREAD_ATTRIBUTE_LIST m_list = nullptr;
    bool m_ready = false;
};

// A run that never started, with the reason in place of the program's error output. The system's error
// code is read first, before anything else can change it.
RunResult NotStarted(const char* why, const std::string& program) {
    const DWORD error = GetLastError();
    RunResult result;
    result.err = std::string(why) + " " + program + " (system error " + std::to_string(error) + ")";
    return result;
}

} // namespace

RunResult RunProgram(const std::string& program, const std::vector<std::string>& args,
                     const RunOptions& options) {
    RunResult result;
    // The output goes to files of a folder of this run: no pipe can fill up while nobody reads it.
    TempDir capture;
    {
        Handle in(OpenInheritable("NUL", false));
        Handle out(OpenInheritable(capture.File("out"), true));
        Handle err(OpenInheritable(capture.File("err"), true));
        if (!in.Valid() || !out.Valid() || !err.Valid())
            return NotStarted("cannot open the standard files for", program);
        InheritOnly inherit({in.Get(), out.Get(), err.Get()});
        if (!inherit.Ready())
            return NotStarted("cannot limit the inherited handles for", program);

        STARTUPINFOEXW startup{};
        startup.StartupInfo.cb = sizeof(startup);
        startup.StartupInfo.dwFlags = STARTF_USESTDHANDLES;
        startup.StartupInfo.hStdInput = in.Get();
        startup.StartupInfo.hStdOutput = out.Get();
        startup.StartupInfo.hStdError = err.Get();
        startup.lpAttributeList = inherit.List();
        std::wstring commandLine = Widen(platform::BuildCommandLine(program, args));
        std::wstring application = Widen(program);
        std::wstring environment = ChildEnvironmentBlock(options);
        PROCESS_INFORMATION process{};
        // The program is named on its own too, so a blank in its folder can never start another program.
        if (!CreateProcessW(application.c_str(), commandLine.data(), nullptr, nullptr, TRUE,
                            EXTENDED_STARTUPINFO_PRESENT | CREATE_UNICODE_ENVIRONMENT, environment.data(),
                            nullptr, &startup.StartupInfo, &process))
            return NotStarted("cannot start", program);
        Handle child(process.hProcess);
        Handle thread(process.hThread);
        DWORD code = 0;
        if (WaitForSingleObject(child.Get(), INFINITE) == WAIT_OBJECT_0 &&
            GetExitCodeProcess(child.Get(), &code))
            result.status = static_cast<int>(code);
    }
    result.out = capture.Read("out");
    result.err = capture.Read("err");
    return result;
}

int ExitStatusFor(int, uint32_t resultCode) {
    return static_cast<int>(resultCode);
}

void SetEnvVar(const std::string& name, const std::string& value) {
    // The C runtime's copy (getenv) and the system's (GetEnvironmentVariableW, children) both change.
    _wputenv_s(Widen(name).c_str(), Widen(value).c_str());
}

void UnsetEnvVar(const std::string& name) {
    _wputenv_s(Widen(name).c_str(), L"");
}

unsigned long SystemThreadId() {
    return GetCurrentThreadId();
}

bool LinkOrCopy(const std::string& source, const std::string& target) {
    std::error_code error;
    std::filesystem::copy(std::filesystem::path(Widen(source)), std::filesystem::path(Widen(target)),
                          std::filesystem::copy_options::recursive, error);
    return !error;
}

} // namespace testsupport
