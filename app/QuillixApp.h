#pragma once

#include "model/ProjectTypes.h"

#include <functional>
#include <string>

// The short version shown to users ("1.00"): a digit, a point and two digits, zero-filled.
extern char g_szVersion[16];

// Fills g_szVersion from characters 0, 2 and 3 of a FileVersion of the form D.DD.x.x; a text that is
// too short leaves it empty.
void ReadShortVersion(const std::string& fileVersion = QUILLIX_FILE_VERSION);

// The application object: start-up, the choice between command line and dialog, and shutdown with
// the last result code as exit code.
class CQuillixApp {
public:
    // Steps that other parts of the tool plug in. An empty step is skipped.
    struct Steps {
        // Creates g_pDevTypeInfo for g_ProjectType and g_BusType.
        std::function<void()> createDevTypeInfo;
        // Unloads the reader library of g_pDevTypeInfo and deletes the object; nothing when there is none.
        std::function<void()> destroyDevTypeInfo;
        // Parses the command line; true makes the run a command-line run.
        std::function<bool(const std::string& commandLine)> parseArg;
        // Executes the parsed command line; the outcome is in g_dwErrorCode.
        std::function<void()> executeArg;
        // Chooses the dialog by g_dwCustomizeUI and runs it modally.
        std::function<void()> runDialog;
    };

    explicit CQuillixApp(Steps steps = Steps());
    CQuillixApp(const CQuillixApp&) = delete;
    CQuillixApp& operator=(const CQuillixApp&) = delete;

    // Start-up, then the command line or the dialog. Always false: the application ends right after.
    bool InitInstance(const std::string& commandLine);
    // Shutdown; returns g_dwErrorCode.
    ResultCode ExitInstance();
    // InitInstance followed by ExitInstance.
    ResultCode Run(const std::string& commandLine);

    // Chooses config.ini (or, when it is missing, the first other "*.ini" of the program folder),
    // makes it writable and loads it into g_pConfigIni.
    void LocateConfigFile();
    // The configuration file that LocateConfigFile chooses.
    static std::string ConfigFilePath();

    // The command line as one string: a leading blank, then argv[1..] joined by single blanks.
    static std::string CommandLineFromArgs(int argc, const char* const* argv);

private:
    void DestroyProjectObjects();
    void SaveConfigFile();

    Steps m_Steps;
    // Set when the configuration file exists but could not be read completely: saving it would drop
    // everything that was not read, so it is left as it is.
    bool m_bKeepConfigFile = false;
};
