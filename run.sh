#!/usr/bin/env bash
# Installs what is missing, builds the program folder build/dist/ and runs Quillix on the
# simulated reader with the given options.
set -euo pipefail
source "$(dirname "$0")/scripts/setup.sh"
quillix_build
exec "$QUILLIX_BUILD_DIR/dist/quillix" "$@"
