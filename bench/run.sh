#!/usr/bin/env bash
# velmora: builds and runs the frame-time benchmark and prints its table.
# Usage: bench/run.sh [--xvfb] [BUILD_DIR] [-- velmora_bench options]
# Starts its own Xvfb (on a display number Xvfb picks) when DISPLAY is unset or --xvfb
# is given. BUILD_DIR defaults to build/ under the project root.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
own_x=no
if [ "${1:-}" = --xvfb ]; then own_x=yes; shift; fi
[ -z "${DISPLAY:-}" ] && own_x=yes
build="$root/build"
if [ $# -gt 0 ] && [ "$1" != -- ]; then build="$1"; shift; fi
[ "${1:-}" = -- ] && shift

[ -f "$build/CMakeCache.txt" ] || cmake -S "$root" -B "$build" -DBUILD_TESTING=OFF > /dev/null
cmake --build "$build" -j "$(nproc)" --target velmora_bench > /dev/null

if [ $own_x = yes ]; then
    exec 3< <(exec Xvfb -displayfd 1 -noreset -screen 0 1400x1100x24 -nolisten tcp 2>/dev/null)
    xvfb_pid=$!
    trap 'kill $xvfb_pid 2>/dev/null' EXIT
    read -r -t 10 number <&3
    export DISPLAY=":$number"
fi
echo "nproc $(nproc); $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ //'); DISPLAY $DISPLAY"
"$build/bench/velmora_bench" "$@"
