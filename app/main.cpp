#include "app/ExitStatus.h"
#include "app/QuillixApp.h"

#include <cstdio>

int main(int argc, char** argv) {
    CQuillixApp app;
    ResultCode code = app.Run(CQuillixApp::CommandLineFromArgs(argc, argv));
    if (code != 0)
        std::fprintf(stderr, "%s\n", ResultReport(code).c_str());
    return ExitStatusForResult(code);
}
