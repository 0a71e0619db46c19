#!/usr/bin/env bash
# Builds the Windows command-line tool with Debian's MinGW-w64 cross compiler and runs the non-GUI
# test suite under Wine. Installs what is missing. Exits non-zero on any failure.
#   scripts/windows-test.sh     build in build-win/ and test; the tool is build-win/quillix/dist/quillix.exe
set -euo pipefail
source "$(dirname "$0")/setup.sh"

quillix_install_packages cmake make ccache g++-mingw-w64-x86-64-posix wine64 googletest libcli11-dev \
    nlohmann-json3-dev

win_dir=$QUILLIX_ROOT/build-win
toolchain=$QUILLIX_ROOT/cmake/mingw-w64-x86_64.cmake
jobs=$(nproc)
[ "$jobs" -gt 2 ] && jobs=2

# GoogleTest for the cross target, from Debian's sources; built once per build-win/.
gtest_prefix=$win_dir/googletest
if [ ! -f "$gtest_prefix/lib/cmake/GTest/GTestConfig.cmake" ]; then
    cmake -S /usr/src/googletest -B "$win_dir/googletest-build" -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
        -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$gtest_prefix"
    cmake --build "$win_dir/googletest-build" -j "$jobs"
    cmake --install "$win_dir/googletest-build"
fi

# The header-only libraries of quillix-image, alone in a folder of their own: the build machine's other
# headers must not be seen by the cross compiler.
header_only=$win_dir/header-only/include
mkdir -p "$header_only"
cp -r /usr/include/CLI /usr/include/nlohmann "$header_only"/

# Wine keeps its own prefix inside the build folder, quiet and without a display.
export WINEPREFIX=$win_dir/wineprefix
export WINEDEBUG=-all
unset DISPLAY
# The first Wine process creates the prefix; doing that once here keeps the test discovery during the
# build from racing to create it. The prefix reports Windows 10, the system the tool is made for.
if [ ! -f "$WINEPREFIX/system.reg" ]; then
    /usr/lib/wine/wine64 wineboot --init
    /usr/lib/wine/wine64 winecfg -v win10
    /usr/lib/wine/wineserver -w
fi
# The Wine server and its services are started here, once, with their output going nowhere. Started by
# a test instead, they would hold that test's output open until the last Wine process ends, and ctest
# would wait for it until the test's time limit.
/usr/lib/wine/wineserver -p </dev/null >/dev/null 2>&1
/usr/lib/wine/wine64 cmd /c exit </dev/null >/dev/null 2>&1
trap '/usr/lib/wine/wineserver -k >/dev/null 2>&1 || true' EXIT

quillix_configure windows "$win_dir/quillix" -DQUILLIX_HEADER_ONLY_INCLUDE="$header_only"
cmake --build "$win_dir/quillix" -j "$jobs"
# The test preset runs a test that fails once more: under load, Wine now and then fails to start a
# process at all (the test ends at once, without output). A test that fails twice fails the run.
quillix_test windows "$win_dir/quillix" -j "$jobs"
