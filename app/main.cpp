#include "app/ExitStatus.h"
#include "app/QuillixApp.h"
#include "device/DevTypeInfo.h"

#include <cstdio>

int main(int argc, char** argv) {
    CQuillixApp::Steps steps;
    steps.createDevTypeInfo = CreateDevTypeInfo;
    steps.destroyDevTypeInfo = DestroyDevTypeInfo;
    CQuillixApp app(steps);
    ResultCode code = app.Run(CQuillixApp::CommandLineFromArgs(argc, argv));
    if (code != 0)
        std::fprintf(stderr, "%s\n", ResultReport(code).c_str());
    return ExitStatusForResult(code);
}
