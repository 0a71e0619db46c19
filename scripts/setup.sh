#!/usr/bin/env bash
# Shared set-up of run.sh and test.sh: install the Debian packages that are missing, then configure
# and build. Sourced, not run.
set -euo pipefail

QUILLIX_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
QUILLIX_BUILD_DIR=${QUILLIX_BUILD_DIR:-$QUILLIX_ROOT/build}
QUILLIX_PACKAGES=(cmake make g++ pkg-config ccache libgtest-dev libgmock-dev libcli11-dev nlohmann-json3-dev groff-base
    libsqlite3-dev)
if [ "${QUILLIX_GUI:-ON}" = ON ] && [ -f "$QUILLIX_ROOT/ui/CMakeLists.txt" ]; then
    # fonts-liberation2: the dialog font (ui/DialogFont.cpp), so the dialogs and their layout check look
    # the same in CI and on a desktop.
    QUILLIX_PACKAGES+=(qt6-base-dev libgl-dev qt6-qpa-plugins fonts-liberation2)
fi

quillix_missing_packages() {
    local pkg
    for pkg in "$@"; do
        dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed' || echo "$pkg"
    done
}

quillix_install_packages() {
    local missing
    missing=$(quillix_missing_packages "$@")
    [ -z "$missing" ] && return 0
    local sudo=""
    [ "$(id -u)" -ne 0 ] && sudo=sudo
    echo "Installing missing packages: $missing"
    $sudo apt-get update
    # shellcheck disable=SC2086
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends $missing
}

# Compiler cache: object files are shared between the build folders and between work trees of one
# machine (paths are hashed relative to the source tree).
export CCACHE_BASEDIR=$QUILLIX_ROOT
export CCACHE_NOHASHDIR=1
QUILLIX_CCACHE_ARGS=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)

# quillix_configure PRESET BUILD_DIR [CMAKE_ARGS...]: configure BUILD_DIR from a configure preset of
# CMakePresets.json (default, asan, tsan, windows), with the compiler cache.
quillix_configure() {
    local preset=$1 dir=$2
    shift 2
    cmake --preset "$preset" -S "$QUILLIX_ROOT" -B "$dir" "${QUILLIX_CCACHE_ARGS[@]}" "$@"
}

# quillix_test PRESET BUILD_DIR [CTEST_ARGS...]: run the tests of BUILD_DIR that the test preset selects,
# with its options (output on failure, time limit, repetition).
quillix_test() {
    local preset=$1 dir=$2
    shift 2
    (cd "$QUILLIX_ROOT" && ctest --preset "$preset" --test-dir "$dir" "$@")
}

# quillix_build_preset PRESET BUILD_DIR [CMAKE_ARGS...]: install what is missing, configure BUILD_DIR
# from the preset and build everything, or only the target $QUILLIX_BUILD_TARGET when that is set.
# QUILLIX_GUI and QUILLIX_BUILD_TYPE, when set, override the preset.
quillix_build_preset() {
    local preset=$1 dir=$2
    shift 2
    local overrides=()
    [ -n "${QUILLIX_GUI:-}" ] && overrides+=(-DQUILLIX_GUI="$QUILLIX_GUI")
    [ -n "${QUILLIX_BUILD_TYPE:-}" ] && overrides+=(-DCMAKE_BUILD_TYPE="$QUILLIX_BUILD_TYPE")
    quillix_install_packages "${QUILLIX_PACKAGES[@]}"
    quillix_configure "$preset" "$dir" "${overrides[@]}" "$@"
    cmake --build "$dir" -j "$(nproc)" ${QUILLIX_BUILD_TARGET:+--target "$QUILLIX_BUILD_TARGET"}
}

# quillix_build [BUILD_DIR [CMAKE_ARGS...]]: the same with the preset default (default folder: build/).
quillix_build() {
    local dir=${1:-$QUILLIX_BUILD_DIR}
    [ $# -gt 0 ] && shift
    quillix_build_preset default "$dir" "$@"
}
