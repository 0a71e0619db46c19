#!/usr/bin/env bash
# Installs what is missing, builds, and runs the whole test suite. Exits non-zero on any failure.
set -euo pipefail
source "$(dirname "$0")/scripts/setup.sh"
quillix_build
ctest --test-dir "$QUILLIX_BUILD_DIR" --output-on-failure -j "$(nproc)" --timeout 300
