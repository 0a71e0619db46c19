#include "app/DialogModule.h"
#include "app/ExitStatus.h"
#include "app/QuillixApp.h"
#include "core/Broadcast.h"
#include "core/ConsoleProgress.h"
#include "core/ParseArg.h"
#include "device/DevTypeInfo.h"
#include "platform/CommandLine.h"
#include "platform/Desktop.h"

#include <cstdio>

int main(int argc, char** argv) {
    CQuillixApp::Steps steps;
    steps.createDevTypeInfo = CreateDevTypeInfo;
    steps.destroyDevTypeInfo = DestroyDevTypeInfo;
    CParseArg parser;
    steps.parseArg = [&parser](const std::string& commandLine) { return parser.Parse_Arg(commandLine) == 1; };
    steps.executeArg = [&parser] {
        // A person watching a terminal sees the operation's progress; scripts and logs see nothing.
        if (platform::StandardErrorIsTerminal())
            SetConsoleProgress(ShowConsoleProgress);
        parser.Excute_Arg(*g_pDevTypeInfo);
        SetConsoleProgress(nullptr);
        FinishConsoleProgress();
    };
    steps.runDialog = RunDialogModule;
    CQuillixApp app(steps);
    ResultCode code =
        app.Run(platform::SystemCommandLine().value_or(CQuillixApp::CommandLineFromArgs(argc, argv)));
    if (code != 0)
        std::fprintf(stderr, "%s\n", ResultReport(code).c_str());
    return ExitStatusForResult(code);
}
