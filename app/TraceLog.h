#pragma once

#include "platform/Text.h"

#include <cstdint>

// Trace categories: a line is written only when its category shares a bit with "LogCategory".
enum TraceCategory : uint32_t {
    kTraceApp = 1,    // application, dialogs, property pages
    kTraceDevice = 2, // device-type objects and device flows
};

// Opens the log beside the executable, reading "LogCategory" from g_pConfigIni (0 when absent).
void OpenTraceLog();
void CloseTraceLog();

// One traced function call: writes "START --->>>" on construction and "EXIT <<<---" when it ends.
class TraceScope {
public:
    TraceScope(const char* name, uint32_t category);
    ~TraceScope();
    TraceScope(const TraceScope&) = delete;
    TraceScope& operator=(const TraceScope&) = delete;

    const char* pszName;
    bool bActive;
    uint32_t dwCategory;
};

// Formats one line "(<tid hex>-<tick>):<name>:> <text>" for the scope; a final "\n" becomes CR LF.
void TraceLine(const TraceScope& scope, const char* format, ...) QUILLIX_PRINTF_FORMAT(2, 3);

// The tracing mixin of traced classes; it carries no data.
class CDumpStr {};
