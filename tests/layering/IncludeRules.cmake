# Which part of the code may include which: one row per layer. FILES are path prefixes from the
# repository root (the longest prefix that matches names a file's layer, so a row may take single files
# out of a folder); MAY_INCLUDE lists the layers this one builds on, together with everything those
# build on; QT allows Qt's headers. A file that no row holds fails the check: a new folder gets a row.
# Checked by CheckIncludes.cmake, which the test suite runs.

# The operating-system layer: no project includes at all.
quillix_layer(platform FILES platform/)
# The interface of the reader-access library: what the tool calls and what the simulator exports.
quillix_layer(library-interface FILES device/QdCRLibApi.h device/VrkEntries.h MAY_INCLUDE platform)
# Configuration files, image fields and codecs; the trace log and the message texts live with them
# because each side uses the other (the log reads its settings, the INI loader traces). The result
# codes are the vocabulary of the message table and of every layer above it.
quillix_layer(model FILES model/ app/TraceLog. app/Messages. core/ResultCodes.h MAY_INCLUDE platform)
# The result channel the device operations post into (dialog interface, broadcast, message ids,
# cancel flag, dialog hooks) and the command-line parser.
# The operation history's records and database: nothing of the tool.
quillix_layer(history FILES history/ MAY_INCLUDE platform)
quillix_layer(core FILES core/ MAY_INCLUDE model history)
# Device-type classes, flows and the reader session.
quillix_layer(device FILES device/ MAY_INCLUDE core library-interface)
# The worker thread: it runs the device-type object's operations, so it sits above device/.
# The history's records and backups read the device-type object too.
quillix_layer(worker FILES core/VrkThread. core/OperationHistory.cpp core/MemoryBackup.cpp MAY_INCLUDE device)
# quillix-history reads the settings the tool records by.
quillix_layer(history-tool FILES history/tool/ MAY_INCLUDE worker)
# The dialogs' decisions without Qt.
quillix_layer(view FILES view/ MAY_INCLUDE device)
# The program: start-up, the dialog module's loader, exit statuses, main().
quillix_layer(app FILES app/ MAY_INCLUDE worker)
# The Qt dialogs.
quillix_layer(ui FILES ui/ MAY_INCLUDE app view QT)
# quillix-image: the offline image tool, on the device-type objects and the dialogs' rules.
quillix_layer(image-tool FILES tools/image/ MAY_INCLUDE app view)
# The simulated reader library and its tools: only the library's interface from the tool's side.
quillix_layer(sim FILES sim/ MAY_INCLUDE library-interface model)

# Tests, benchmarks and fuzzers build on everything but the dialogs; only the dialog tests use Qt.
quillix_layer(tests FILES tests/ bench/ fuzz/ MAY_INCLUDE app view sim image-tool history-tool)
quillix_layer(ui-tests FILES tests/ui/ MAY_INCLUDE tests ui QT)
