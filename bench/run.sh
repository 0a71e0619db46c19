#!/usr/bin/env bash
# Builds the benchmarks (Release, build-bench/) and prints one table of the tool's own cost:
# start-up, flows against the fake clock's waits, FLASH write throughput, the text dump next to a
# common hex dump tool, and the property load. Needs Google Benchmark (Debian libbenchmark-dev).
# QUILLIX_BENCH_RUNS sets how many start-ups are timed (default 20).
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build-bench"
runs=${QUILLIX_BENCH_RUNS:-20}

# GCC 12 at -O3 reports a false -Wrestrict overlap inside std::string concatenation; it stays a
# warning here so the optimised build goes through.
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DQUILLIX_BENCH=ON -DQUILLIX_GUI=OFF >/dev/null
cmake --build "$build" -j2 --target quillix flash_write_bench flow_sleep_bench text_dump_bench \
    editor_property_load_bench >/dev/null

work=$(mktemp -d /tmp/quillix-bench-run-XXXXXX)
trap 'rm -rf "$work"' EXIT

# Milliseconds a command takes, wall clock.
elapsed_ms() {
    local start end
    start=$(date +%s%N)
    "$@" >/dev/null 2>&1 || true
    end=$(date +%s%N)
    echo $(((end - start) / 1000))
}

# Median of numbers, one a line (microseconds in, milliseconds with two decimals out).
median_ms() {
    sort -n | awk '{ v[NR] = $1 } END { m = NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2;
                                          printf "%.2f", m / 1000 }'
}

# Column `column` of the benchmark rows whose name starts with `prefix`, from Google Benchmark CSV:
# prints "label value" per row ("-" for no label).
csv_column() {
    local file=$1 prefix=$2 column=$3
    awk -F, -v prefix="$prefix" -v column="$column" '
        /^name,/ { for (i = 1; i <= NF; ++i) { gsub(/"/, "", $i); index_of[$i] = i } header = 1; next }
        header { gsub(/"/, "", $1) }
        header && index($1, prefix) == 1 {
            label = $(index_of["label"]); gsub(/"/, "", label); if (label == "") label = "-"
            print label, $(index_of[column])
        }' "$file"
}

# Runs a benchmark binary into a CSV file; stops the script when one of its benchmarks failed.
run_bench() {
    local csv=$1
    shift
    "$@" --benchmark_format=csv >"$csv" 2>/dev/null
    if grep -q ',true,' "$csv"; then
        echo "$(basename "$1") failed:" >&2
        grep ',true,' "$csv" >&2
        exit 1
    fi
}

rows=()
row() { rows+=("| $1 | $2 | $3 |"); }

# 1. Start-up to exit with no device work: a copy of the program folder without the reader library.
mkdir "$work/program"
for entry in "$build/dist"/*; do
    case $(basename "$entry") in
    libQdCRLib.so | simreader | Quillix.log) ;;
    *) cp -r "$entry" "$work/program/" ;;
    esac
done
if command -v hyperfine >/dev/null; then
    (cd "$work/program" && hyperfine -N -i --runs "$runs" --export-csv "$work/startup.csv" \
        "./quillix -i x" >/dev/null)
    startup=$(awk -F, 'NR == 2 { printf "%.2f", $4 * 1000 }' "$work/startup.csv")
    how="hyperfine, median of $runs"
else
    startup=$(cd "$work/program" && for _ in $(seq "$runs"); do elapsed_ms ./quillix -i x; done | median_ms)
    how="median of $runs"
fi
row "Start-up to exit, \`quillix -i x\`, no reader library" "$startup ms" "$how"

# 2. Each flow's own time next to the waits it asks for (fake clock: the waits cost nothing).
run_bench "$work/flows.csv" "$build/bench/flow_sleep_bench"
for operation in Read Download; do
    while read -r label tool; do
        slept=$(csv_column "$work/flows.csv" "BM_$operation/" slept_ms | awk -v l="$label" '$1 == l { print $2 }')
        ratio=$(awk -v t="$tool" -v s="$slept" 'BEGIN { if (s > 0) printf "%.4f", t / s; else print "n/a (the flow makes no waits)" }')
        row "$operation, $label: tool time / required waits" \
            "$(printf '%.2f ms / %.0f ms' "$tool" "$slept")" "ratio $ratio"
    done < <(csv_column "$work/flows.csv" "BM_$operation/" tool_ms)
done

# 3. 16 MiB FLASH write and verify.
run_bench "$work/flash.csv" "$build/bench/flash_write_bench"
flash_time=$(csv_column "$work/flash.csv" BM_FlashWriteVerify32 real_time | awk '{ print $2 }')
flash_tool=$(csv_column "$work/flash.csv" BM_FlashWriteVerify32 tool_MiB/s | awk '{ print $2 }')
flash_share=$(csv_column "$work/flash.csv" BM_FlashWriteVerify32 library_share | awk '{ print $2 }')
row "FLASH 16 MiB write + verify (simulated reader)" \
    "$(awk -v t="$flash_time" 'BEGIN { printf "%.0f ms, %.1f MiB/s", t, 16 / (t / 1000) }')" \
    "$(printf 'tool alone %.1f MiB/s; simulator %.0f %% of the time' "$flash_tool" \
        "$(awk -v s="$flash_share" 'BEGIN { print s * 100 }')")"

# 4. Text dump of a 64 MiB image against xxd on the same data.
head -c $((64 * 1024 * 1024)) /dev/urandom >"$work/image.bin"
run_bench "$work/dump.csv" "$build/bench/text_dump_bench" "$work/image.bin" "$work/image.txt"
dump=$(csv_column "$work/dump.csv" BM_TextDump real_time | awk '{ print $2 }')
if command -v xxd >/dev/null; then
    xxd_ms=$(for _ in 1 2 3; do elapsed_ms xxd -u -g1 -c16 "$work/image.bin" "$work/image.xxd"; done | median_ms)
    row "Text dump, 64 MiB image (\`-t\` path)" "$(printf '%.0f ms' "$dump")" \
        "$(awk -v d="$dump" -v x="$xxd_ms" 'BEGIN { printf "xxd -u -g1 -c16: %.0f ms, ratio %.2f", x, d / x }')"
else
    row "Text dump, 64 MiB image (\`-t\` path)" "$(printf '%.0f ms' "$dump")" "xxd not installed: no comparison"
fi

# 5. Loading 256 property sections of 256 options each.
run_bench "$work/properties.csv" "$build/bench/editor_property_load_bench"
properties=$(csv_column "$work/properties.csv" BM_LoadPropertySections real_time | awk '{ print $2 }')
row "Property load, 256 sections x 256 options" "$(printf '%.2f ms' "$properties")" ""

echo "| Measurement | Result | Notes |"
echo "|---|---|---|"
printf '%s\n' "${rows[@]}"
