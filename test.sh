#!/usr/bin/env bash
# Installs what is missing, builds, and runs the whole test suite. Exits non-zero on any failure.
#   ./test.sh         the normal build (build/)
#   ./test.sh --all   also the suite under AddressSanitizer + UndefinedBehaviorSanitizer (build-asan/)
#                     and the worker and result-broadcast tests under ThreadSanitizer (build-tsan/)
set -euo pipefail
source "$(dirname "$0")/scripts/setup.sh"

all=0
case "${1:-}" in
"") ;;
--all) all=1 ;;
*)
    echo "usage: $0 [--all]" >&2
    exit 2
    ;;
esac

# The manual-page and desktop-entry checks of the suite.
quillix_install_packages man-db groff-base desktop-file-utils
# The GUI tests draw every dialog state into this folder; it is named at the end, also after a failure.
print_screenshots() {
    if [ -d "$QUILLIX_BUILD_DIR/screenshots" ]; then
        echo "Screenshots of every dialog state: $QUILLIX_BUILD_DIR/screenshots"
    fi
}
trap print_screenshots EXIT

quillix_build "$QUILLIX_BUILD_DIR"
quillix_test default "$QUILLIX_BUILD_DIR" -j "$(nproc)"

if [ $all = 1 ]; then
    export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
    export LSAN_OPTIONS="suppressions=$QUILLIX_ROOT/tests/lsan-suppressions.txt:print_suppressions=0"
    export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
    quillix_build_preset asan "$QUILLIX_ROOT/build-asan"
    quillix_test asan "$QUILLIX_ROOT/build-asan" -j "$(nproc)"

    export TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1
    quillix_configure tsan "$QUILLIX_ROOT/build-tsan"
    cmake --build "$QUILLIX_ROOT/build-tsan" -j "$(nproc)" --target core_tests
    quillix_test tsan "$QUILLIX_ROOT/build-tsan" -j "$(nproc)"
fi
