#pragma once

namespace testsupport {

// The tool's process-wide objects back in their start-up state: the project configuration (kind, bus,
// customisation values, IC INI object, settings file), the device-type object, the worker, the
// dialogs and their hooks, the force-check reader and the result code. What a test created there (the
// IC INI object, the device-type object, the worker) is destroyed; the settings file is only let go,
// its owner deletes it.
void ResetProcessGlobals();

// A scope guard that resets the process-wide objects when it is made and again when it goes. A
// fixture holds it as its first member, so the reset comes after the fixture's own clean-up.
class ProcessGlobals {
public:
    ProcessGlobals() { ResetProcessGlobals(); }
    ~ProcessGlobals() { ResetProcessGlobals(); }
    ProcessGlobals(const ProcessGlobals&) = delete;
    ProcessGlobals& operator=(const ProcessGlobals&) = delete;
};

} // namespace testsupport
