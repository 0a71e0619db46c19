#!/usr/bin/env bash
# Times quillix-image as scripts run it (Release, build-bench/): `show` of a 64 MiB FLASH image and
# `serials --count 10000` of a 512-byte EEPROM image. Prints the rows of bench/RESULTS.md.
# QUILLIX_BENCH_RUNS sets how many runs are timed (default 5; the median is shown); QUILLIX_BENCH_BUILD
# names an existing build folder to use instead of build-bench/.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${QUILLIX_BENCH_BUILD:-$root/build-bench}
runs=${QUILLIX_BENCH_RUNS:-5}

if [ -z "${QUILLIX_BENCH_BUILD:-}" ]; then
    cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DQUILLIX_GUI=OFF -DQUILLIX_TESTS=OFF >/dev/null
fi
cmake --build "$build" -j2 --target quillix-image >/dev/null
tool="$build/dist/quillix-image"

work=$(mktemp -d /tmp/quillix-image-bench-XXXXXX)
trap 'rm -rf "$work"' EXIT

# Microseconds one run of a command takes, wall clock; the command must succeed.
elapsed_us() {
    local start end
    start=$(date +%s%N)
    "$@" >/dev/null
    end=$(date +%s%N)
    echo $(((end - start) / 1000))
}

median_ms() {
    sort -n | awk '{ v[NR] = $1 } END { m = NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2;
                                          printf "%.1f", m / 1000 }'
}

# A 64 MiB FLASH image: firmware-like bytes, the vendor block marked 256 bytes before the end.
head -c $((64 * 1024 * 1024)) /dev/urandom >"$work/flash.bin"
printf '\x55\xAA' | dd of="$work/flash.bin" bs=1 seek=$((64 * 1024 * 1024 - 256)) conv=notrunc status=none
show=$(for _ in $(seq "$runs"); do elapsed_us "$tool" show "$work/flash.bin" --kind flash; done | median_ms)

# A 512-byte EEPROM image: the committed example's 128 bytes, then erased bytes.
cp "$root/tests/image/data/eeprom-usb.bin" "$work/eeprom.bin"
head -c 384 /dev/zero | tr '\0' '\377' >>"$work/eeprom.bin"
serials=$(for run in $(seq "$runs"); do
    elapsed_us "$tool" serials "$work/eeprom.bin" --kind eeprom --from 000001 --count 10000 -o "$work/units$run"
    rm -rf "$work/units$run"
done | median_ms)

echo "| Measurement | Result | Notes |"
echo "|---|---|---|"
echo "| \`quillix-image show\`, 64 MiB FLASH image | $show ms | median of $runs, whole process |"
echo "| \`quillix-image serials --count 10000\`, 512-byte EEPROM image | $serials ms | median of $runs, whole process, 10000 files |"
