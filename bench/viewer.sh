#!/usr/bin/env bash
# velmora: start-up time, peak memory and CPU use of the real viewer in modes 13, 8 and 6.
# Usage: bench/viewer.sh [RUNS] [BUILD_DIR]   (RUNS defaults to 5, BUILD_DIR to build/)
# Runs velmora_probe RUNS times per mode, the modes in turn, on its own Xvfb with a black
# root window, and prints every run and then the median of each figure.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
runs="${1:-5}"
build="${2:-$root/build}"
[ -f "$build/CMakeCache.txt" ] || cmake -S "$root" -B "$build" -DBUILD_TESTING=OFF > /dev/null
cmake --build "$build" -j "$(nproc)" --target velmora velmora_probe > /dev/null

exec 3< <(exec Xvfb -displayfd 1 -br -noreset -screen 0 1400x1100x24 -nolisten tcp 2>/dev/null)
xvfb_pid=$!
log="$(mktemp)"
trap 'kill $xvfb_pid 2>/dev/null; rm -f "$log"' EXIT
read -r -t 10 number <&3
export DISPLAY=":$number"

cd "$root"  # the viewer reads data/rescales/ under its working directory
for run in $(seq "$runs"); do
    for mode in 13 8 6; do
        "$build/bench/velmora_probe" "$build/velmora" $mode | tee -a "$log"
    done
done
echo
echo "median of $runs runs per mode"
printf '%-5s %10s %10s %10s %12s %10s\n' mode mapped_ms frame_ms cpu_pct hwm_kb rss_kb
# median KEY MODE: the middle value (mean of the two middle ones) of KEY over the runs of MODE.
median() {
    grep "^mode=$2 " "$log" | tr ' ' '\n' | sed -n "s/^$1=//p" | sort -g |
        awk '{ v[NR] = $1 } END { print NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}
for mode in 13 8 6; do
    printf '%-5s %10.1f %10.1f %10.2f %12d %10d\n' $mode "$(median mapped_ms $mode)" "$(median frame_ms $mode)" \
        "$(median cpu_pct $mode)" "$(median hwm_kb $mode)" "$(median rss_kb $mode)"
done
