#!/usr/bin/env bash
# Installs what is missing, builds the program folder build/dist/ and runs Quillix on the
# simulated reader with the given options.
set -euo pipefail
source "$(dirname "$0")/scripts/setup.sh"
# The program folder only; ./test.sh builds the tests.
QUILLIX_BUILD_TARGET=program-folder quillix_build
# Without options the main window opens; without a display the default command-line job runs instead.
if [ $# -eq 0 ] && [ -z "${DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
    echo "No display is available (DISPLAY is not set): running the default job -t quillix-dump.txt instead."
    "$QUILLIX_BUILD_DIR/dist/quillix" -t quillix-dump.txt && status=0 || status=$?
    [ "$status" -eq 0 ] && echo "The dump went to $PWD/quillix-dump.txt"
    exit "$status"
fi
exec "$QUILLIX_BUILD_DIR/dist/quillix" "$@"
