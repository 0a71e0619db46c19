#include "app/QuillixApp.h"

#include "app/TraceLog.h"
#include "core/Broadcast.h"
#include "model/ConfigIni.h"
#include "model/IcTypeIni.h"
#include "platform/FileSystem.h"
#include "platform/OsInfo.h"
#include "platform/ProgramFolder.h"
#include "platform/StateFolder.h"

#include <cstdio>
#include <cstring>
#include <optional>
#include <sstream>
#include <vector>

char g_szVersion[16] = {};

namespace {

constexpr const char* kConfigFileName = "config.ini";

// Whether loading the file must have stopped before its end: it cannot be opened, or one of its lines
// starts with a control byte (a TAB, binary data), where the loader gives up and keeps only the lines
// before it.
bool LoadStopsEarly(const std::string& path) {
    std::optional<std::vector<uint8_t>> bytes = platform::ReadWholeFile(path);
    if (!bytes)
        return true;
    std::istringstream in(std::string(bytes->begin(), bytes->end()));
    std::string line;
    bool first = true;
    while (std::getline(in, line)) {
        if (first && line.starts_with("\xEF\xBB\xBF"))
            line.erase(0, 3);
        first = false;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.empty())
            continue;
        auto lead = static_cast<unsigned char>(line[0]);
        if (lead < 0x20 || lead == 0x7F)
            return true;
    }
    return false;
}

// Settings read from a shared program folder go to the user's state folder instead, so an installed
// program folder is never written to.
bool SaveChangedSettings(CIniFile& settings) {
    std::string programFolder = GetProgramFolder();
    std::string stateFolder = platform::StateFolderFor(programFolder);
    if (stateFolder != programFolder && platform::FolderOf(settings.GetPath()) == programFolder) {
        if (!platform::IsDirectory(stateFolder))
            platform::CreateDirectories(stateFolder);
        settings.SetPath(stateFolder + kConfigFileName);
    }
    return settings.Save();
}

} // namespace

void ReadShortVersion(const std::string& fileVersion) {
    std::memset(g_szVersion, 0, sizeof(g_szVersion));
    if (fileVersion.size() < 4)
        return;
    g_szVersion[0] = fileVersion[0];
    g_szVersion[1] = '.';
    g_szVersion[2] = fileVersion[2];
    g_szVersion[3] = fileVersion[3];
}

CQuillixApp::CQuillixApp(Steps steps) : m_Steps(std::move(steps)) {}

std::string CQuillixApp::CommandLineFromArgs(int argc, const char* const* argv) {
    std::string line = " ";
    for (int i = 1; i < argc; ++i) {
        if (i > 1)
            line += ' ';
        line += argv[i];
    }
    return line;
}

std::string CQuillixApp::ConfigFilePath() {
    std::string folder = GetProgramFolder();
    std::string path = folder + kConfigFileName;
    // The settings a user changed in a shared program folder are kept in that user's state folder.
    std::string own = platform::StateFolderFor(folder) + kConfigFileName;
    bool shared = own != path;
    if (shared && platform::IsRegularFile(own)) {
        path = own;
    } else if (!platform::IsRegularFile(path)) {
        // A folder of that name is no configuration file; another INI file then serves.
        std::vector<std::string> candidates = platform::FindFiles(folder, "*.ini");
        if (!candidates.empty())
            path = folder + candidates.front();
    }
    return path;
}

void CQuillixApp::LocateConfigFile() {
    if (!g_pConfigIni)
        g_pConfigIni = new CIniFile();
    const std::string path = ConfigFilePath();
    // A shared program folder's own configuration is left as it is.
    const std::string folder = GetProgramFolder();
    const bool shared = platform::StateFolderFor(folder) + kConfigFileName != folder + kConfigFileName;
    bool existed = platform::IsRegularFile(path);
    if (existed && !shared && platform::IsReadOnly(path))
        platform::ClearReadOnly(path);
    g_pConfigIni->SetPath(path);
    bool loaded = g_pConfigIni->Load();
    m_bKeepConfigFile = existed && !loaded && LoadStopsEarly(path);
}

bool CQuillixApp::InitInstance(const std::string& commandLine) {
    LocateConfigFile();
    OpenTraceLog();
    TraceScope scope("CQuillixApp::InitInstance", kTraceApp);
    ReadShortVersion();
    TraceLine(scope, "Version : %s\n", g_szVersion);

    DestroyProjectObjects();
    g_pOsInfo = new OsInfo();
    g_pOsInfo->Query();
    TraceLine(scope, "OS : %s (%u.%u)\n", g_pOsInfo->strSystem.c_str(), g_pOsInfo->dwMajorVersion,
              g_pOsInfo->dwMinorVersion);
    g_pIcTypeIni = new CIcTypeIni();
    g_pIcTypeIni->LoadUserSetting();
    g_pIcTypeIni->ListIniFiles();
    g_pIcTypeIni->LoadIcIni();
    g_pIcTypeIni->Parse_ProjectType();
    if (m_Steps.createDevTypeInfo)
        m_Steps.createDevTypeInfo();
    g_dwErrorCode = 0;

    if (m_Steps.parseArg && m_Steps.parseArg(commandLine)) {
        // A command-line run: no window, no worker thread.
        if (m_Steps.executeArg)
            m_Steps.executeArg();
        return false;
    }
    if (m_Steps.runDialog)
        m_Steps.runDialog();
    return false;
}

ResultCode CQuillixApp::ExitInstance() {
    {
        TraceScope scope("CQuillixApp::ExitInstance", kTraceApp);
        DestroyProjectObjects();
        TraceLine(scope, "g_dwErrorCode : %u\n", g_dwErrorCode);
    }
    CloseTraceLog();
    SaveConfigFile();
    return g_dwErrorCode;
}

ResultCode CQuillixApp::Run(const std::string& commandLine) {
    InitInstance(commandLine);
    return ExitInstance();
}

void CQuillixApp::DestroyProjectObjects() {
    if (m_Steps.destroyDevTypeInfo)
        m_Steps.destroyDevTypeInfo();
    if (g_pIcTypeIni) {
        // Stores "Ini Name" into g_pConfigIni, which is saved at exit.
        g_pIcTypeIni->SaveUserSetting();
        delete g_pIcTypeIni;
        g_pIcTypeIni = nullptr;
    }
    delete g_pOsInfo;
    g_pOsInfo = nullptr;
    // The dialog of the run has ended by now; no pointer is left to a dialog that no longer exists.
    for (IResultDialog** dialog : {&g_pMainDlg, &g_pPatchPkgDlg, &g_pPatchPkgDlg3, &g_pPatchPkgDlg4,
                                   &g_pPatchPkgDlg5, &g_pPatchPkgDlg6})
        *dialog = nullptr;
}

void CQuillixApp::SaveConfigFile() {
    if (!g_pConfigIni)
        return;
    const std::string& path = g_pConfigIni->GetPath();
    if (m_bKeepConfigFile)
        std::fprintf(stderr,
                     "quillix: %s could not be read completely; it is left unchanged and the settings "
                     "of this run are not saved.\n",
                     path.c_str());
    else if (!g_pConfigIni->MatchesFile() && !SaveChangedSettings(*g_pConfigIni))
        std::fprintf(stderr, "quillix: could not save the settings to %s.\n",
                     g_pConfigIni->GetPath().c_str());
    delete g_pConfigIni;
    g_pConfigIni = nullptr;
}
