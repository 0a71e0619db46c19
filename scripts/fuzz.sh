#!/usr/bin/env bash
# Builds the fuzz targets with clang (build-fuzz/, nothing else of the project) and runs each one from
# its seed corpus for SECONDS (60 by default), one after the other. Every target named <name>_fuzzer
# runs from fuzz/corpus/<name>/; a target without a corpus folder is an error. The run fails on any
# finding (a crash, a broken invariant, a leak, a timeout, running out of memory) and prints the input
# as hexadecimal, ready to become a seed and a regression row. New inputs the fuzzers find go to a
# temporary folder, never into the repository's corpus.
#   scripts/fuzz.sh [SECONDS [NAME...]]     e.g. scripts/fuzz.sh 600 ini codec
# At the end one table gives each target's executions, coverage (edges), features and corpus size.
set -euo pipefail
QUILLIX_GUI=OFF
source "$(dirname "$0")/setup.sh"

seconds=${1:-60}
[ $# -gt 0 ] && shift
if ! [[ $seconds =~ ^[1-9][0-9]*$ ]]; then
    echo "usage: $0 [SECONDS [NAME...]]" >&2
    exit 2
fi

# libFuzzer comes with clang's runtime libraries.
quillix_install_packages cmake make clang libclang-rt-dev ccache
fuzz_dir=${QUILLIX_FUZZ_BUILD_DIR:-$QUILLIX_ROOT/build-fuzz}
CC=clang CXX=clang++ cmake -S "$QUILLIX_ROOT" -B "$fuzz_dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DQUILLIX_GUI=OFF -DQUILLIX_TESTS=OFF "${QUILLIX_CCACHE_ARGS[@]}" >/dev/null
cmake --build "$fuzz_dir" -j "$(nproc)" --target quillix_fuzzers

names=("$@")
if [ ${#names[@]} = 0 ]; then
    for binary in "$fuzz_dir"/fuzz/*_fuzzer; do
        [ -x "$binary" ] && names+=("$(basename "$binary" _fuzzer)")
    done
fi
if [ ${#names[@]} = 0 ]; then
    echo "no fuzz targets in $fuzz_dir/fuzz" >&2
    exit 1
fi

work=$(mktemp -d "${TMPDIR:-/tmp}/quillix-fuzz.XXXXXX")
trap 'rm -rf "$work"' EXIT

# Leaks are findings; the stack of a broken invariant (abort) is printed by the sanitizer.
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}

failed=0
table=()
for name in "${names[@]}"; do
    binary=$fuzz_dir/fuzz/${name}_fuzzer
    corpus=$QUILLIX_ROOT/fuzz/corpus/$name
    if [ ! -x "$binary" ]; then
        echo "fuzz $name: no target ${name}_fuzzer" >&2
        failed=1
        continue
    fi
    if [ ! -d "$corpus" ] || [ -z "$(ls -A "$corpus")" ]; then
        echo "fuzz $name: no seed corpus in fuzz/corpus/$name/" >&2
        failed=1
        continue
    fi
    mkdir -p "$work/$name/new" "$work/$name/artifacts"
    log=$work/$name/log
    echo "fuzz $name: $seconds s from fuzz/corpus/$name/"
    status=0
    # Absolute paths: a target may change its working folder.
    "$binary" -max_total_time="$seconds" -timeout=30 -rss_limit_mb=2048 -print_final_stats=1 \
        -artifact_prefix="$work/$name/artifacts/" "$work/$name/new" "$corpus" >"$log" 2>&1 || status=$?
    findings=$(find "$work/$name/artifacts" -type f \( -name 'crash-*' -o -name 'leak-*' -o -name 'timeout-*' \
        -o -name 'oom-*' \) | sort)
    executions=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
    coverage=$(grep -E '^#[0-9]+.*cov: ' "$log" | tail -n 1 || true)
    edges=$(sed -E -n 's/.* cov: ([0-9]+).*/\1/p' <<<"$coverage")
    features=$(sed -E -n 's/.* ft: ([0-9]+).*/\1/p' <<<"$coverage")
    units=$(sed -E -n 's/.* corp: ([0-9]+)\/.*/\1/p' <<<"$coverage")
    if [ $status != 0 ] || [ -n "$findings" ]; then
        failed=1
        table+=("| $name | ${executions:-?} | ${edges:-?} | ${features:-?} | ${units:-?} | FINDING (exit $status) |")
        echo "fuzz $name: FINDING (exit status $status); the end of its output:" >&2
        tail -n 40 "$log" >&2
        for file in $findings; do
            echo "fuzz $name: input $(basename "$file") ($(stat -c %s "$file") bytes), hexadecimal:" >&2
            od -An -v -tx1 "$file" | tr -d ' \n' >&2
            echo >&2
        done
    else
        table+=("| $name | ${executions:-?} | ${edges:-?} | ${features:-?} | ${units:-?} | none |")
    fi
done

echo
echo "Fuzzing, $seconds s per target:"
echo "| Target | Executions | Coverage (edges) | Features | Corpus | Findings |"
echo "|---|---|---|---|---|---|"
printf '%s\n' "${table[@]}"
exit $failed
