#include "app/DialogModule.h"
#include "app/ExitStatus.h"
#include "app/QuillixApp.h"
#include "core/ParseArg.h"
#include "device/DevTypeInfo.h"
#include "platform/CommandLine.h"

#include <cstdio>

int main(int argc, char** argv) {
    CQuillixApp::Steps steps;
    steps.createDevTypeInfo = CreateDevTypeInfo;
    steps.destroyDevTypeInfo = DestroyDevTypeInfo;
    CParseArg parser;
    steps.parseArg = [&parser](const std::string& commandLine) { return parser.Parse_Arg(commandLine) == 1; };
    steps.executeArg = [&parser] { parser.Excute_Arg(*g_pDevTypeInfo); };
    steps.runDialog = RunDialogModule;
    CQuillixApp app(steps);
    ResultCode code =
        app.Run(platform::SystemCommandLine().value_or(CQuillixApp::CommandLineFromArgs(argc, argv)));
    if (code != 0)
        std::fprintf(stderr, "%s\n", ResultReport(code).c_str());
    return ExitStatusForResult(code);
}
