#!/usr/bin/env bash
# Builds the Windows command-line tool with Debian's MinGW-w64 cross compiler, runs the non-GUI test
# suite under Wine and packs the program folder into a zip. Installs what is missing. Exits non-zero on
# any failure.
#   scripts/windows-test.sh       64-bit: build in build-win/ and test; the tool is
#                                 build-win/quillix/dist/quillix.exe, the zip build-win/quillix-<version>-win64.zip
#   scripts/windows-test.sh --32  32-bit: build everything outside ui/ in build-win32/ and test it where
#                                 this machine can run 32-bit programs (it says which it did); the zip is
#                                 build-win32/quillix-<version>-win32.zip
set -euo pipefail
source "$(dirname "$0")/setup.sh"

bits=64
case "${1:-}" in
"") ;;
--32) bits=32 ;;
*)
    echo "usage: $0 [--32]" >&2
    exit 2
    ;;
esac

if [ $bits = 64 ]; then
    win_dir=$QUILLIX_ROOT/build-win
    toolchain=$QUILLIX_ROOT/cmake/mingw-w64-x86_64.cmake
    wine=/usr/lib/wine/wine64
    quillix_install_packages cmake make ccache g++-mingw-w64-x86-64-posix wine64 googletest
else
    win_dir=$QUILLIX_ROOT/build-win32
    toolchain=$QUILLIX_ROOT/cmake/mingw-w64-i686.cmake
    wine=/usr/lib/wine/wine
    quillix_install_packages cmake make ccache g++-mingw-w64-i686-posix googletest
fi
jobs=$(nproc)
[ "$jobs" -gt 2 ] && jobs=2

# Why this machine cannot run 32-bit Windows programs, or nothing when it can: the kernel must execute
# 32-bit programs (a one-instruction program shows it) and the 32-bit Wine runner must be there.
why_no_32bit_runs() {
    local probe
    probe=$(mktemp -d)
    if ! printf '.globl _start\n_start: movl $1, %%eax\n xorl %%ebx, %%ebx\n int $0x80\n' |
        as --32 -o "$probe/probe.o" - 2>/dev/null || ! ld -m elf_i386 -o "$probe/probe" "$probe/probe.o" 2>/dev/null; then
        echo "no 32-bit assembler and linker to probe the kernel with"
    elif ! "$probe/probe" 2>/dev/null; then
        echo "the kernel refuses to execute 32-bit programs"
    elif [ ! -x "$wine" ]; then
        echo "32-bit Wine ($wine, Debian's wine32 for the i386 architecture) is not installed"
    fi
    rm -rf "$probe"
}

run_tests=1
if [ $bits = 32 ]; then
    reason=$(why_no_32bit_runs)
    if [ -n "$reason" ]; then
        run_tests=0
        echo "32-bit Windows: building without running the tests: $reason."
    fi
fi

cmake_args=(-DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUILLIX_GUI=OFF
    "${QUILLIX_CCACHE_ARGS[@]}")
if [ $run_tests = 1 ]; then
    # GoogleTest for the cross target, from Debian's sources; built once per build folder.
    gtest_prefix=$win_dir/googletest
    if [ ! -f "$gtest_prefix/lib/cmake/GTest/GTestConfig.cmake" ]; then
        cmake -S /usr/src/googletest -B "$win_dir/googletest-build" -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
            -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$gtest_prefix"
        cmake --build "$win_dir/googletest-build" -j "$jobs"
        cmake --install "$win_dir/googletest-build"
    fi

    # Wine keeps its own prefix inside the build folder, quiet and without a display.
    export WINEPREFIX=$win_dir/wineprefix
    export WINEDEBUG=-all
    unset DISPLAY
    # The first Wine process creates the prefix; doing that once here keeps the test discovery during
    # the build from racing to create it. The prefix reports Windows 10, the system the tool is made for.
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
        "$wine" wineboot --init
        "$wine" winecfg -v win10
        /usr/lib/wine/wineserver -w
    fi
    # The Wine server and its services are started here, once, with their output going nowhere. Started
    # by a test instead, they would hold that test's output open until the last Wine process ends, and
    # ctest would wait for it until the test's time limit.
    /usr/lib/wine/wineserver -p </dev/null >/dev/null 2>&1
    "$wine" cmd /c exit </dev/null >/dev/null 2>&1
    trap '/usr/lib/wine/wineserver -k >/dev/null 2>&1 || true' EXIT
    cmake_args+=(-DCMAKE_PREFIX_PATH="$gtest_prefix" -DCMAKE_CROSSCOMPILING_EMULATOR="$wine")
else
    cmake_args+=(-DQUILLIX_TESTS=OFF)
fi

cmake -S "$QUILLIX_ROOT" -B "$win_dir/quillix" "${cmake_args[@]}"
cmake --build "$win_dir/quillix" -j "$jobs"
if [ $run_tests = 1 ]; then
    # A test that fails is run once more: under load, Wine now and then fails to start a process at all
    # (the test ends at once, without output). A test that fails twice fails the run.
    ctest --test-dir "$win_dir/quillix" --output-on-failure -j "$jobs" --timeout 300 -LE linux --repeat until-pass:2
fi

# The zip: the installed program folder in one folder "Quillix", as a user unpacks it.
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$win_dir/quillix/CMakeCache.txt")
zip=$win_dir/quillix-$version-win$bits.zip
rm -rf "$win_dir/zip" "$zip"
cmake --install "$win_dir/quillix" --prefix "$win_dir/zip/Quillix" --strip
(cd "$win_dir/zip" && cmake -E tar cf "$zip" --format=zip Quillix)
echo "Windows $bits-bit program folder: $zip"
[ $run_tests = 1 ] && echo "Windows $bits-bit tests: run under Wine." || echo "Windows $bits-bit tests: not run ($reason)."
