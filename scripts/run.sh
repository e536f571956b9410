#!/usr/bin/env bash
# velmora: installs what is missing, builds, and starts the viewer.
# On a machine with no display it runs each mode on a virtual X server for a
# moment instead and saves a screenshot of each.
# With `web`: builds the page (scripts/package.sh web) and serves it on 127.0.0.1, printing its
# address, until Ctrl+C.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
source "$root/scripts/deps.sh"

case "${1:-}" in
    "") ;;
    web)
        zip="$(bash "$root/scripts/package.sh" web | tail -n 1)"
        site="$root/build/web/site"
        rm -rf "$site"
        mkdir -p "$site"
        (cd "$site" && cmake -E tar xf "$zip")
        echo "serving $site; MODE and NOFS go in the address's query, as in ?MODE=8&NOFS=1" >&2
        exec node "$root/scripts/serve.mjs" "$site/$(basename "$zip" .zip)"
        ;;
    *) echo "usage: scripts/run.sh [web]" >&2; exit 2 ;;
esac

need_packages $build_packages
if [ -z "${DISPLAY:-}" ]; then need_packages $run_packages; fi
# A fresh build directory leaves the tests out (they need more packages);
# one the test command configured keeps them.
[ -f "$root/build/CMakeCache.txt" ] || cmake -S "$root" -B "$root/build" -DBUILD_TESTING=OFF > /dev/null
cmake --build "$root/build" -j "$(nproc)" --target velmora > /dev/null

# The viewer reads its pictures from data/rescales/ under its working directory.
cd "$root"
if [ -n "${DISPLAY:-}" ]; then
    exec "$root/build/velmora"
fi

shots="$root/build/screenshots"
mkdir -p "$shots"
# -noreset: each viewer and xdotool here is the server's only client for a moment, and
# a server resetting after its last client refuses the next one meanwhile.
exec 3< <(exec Xvfb -displayfd 1 -noreset -screen 0 1400x1100x24 -nolisten tcp 2>/dev/null)
xvfb_pid=$!
trap 'kill $xvfb_pid 2>/dev/null' EXIT
read -r -t 30 number <&3
export DISPLAY=":$number"
# Poses the gimbal chain: four rings, three of them turned, seen from above.
pose_chain() {
    xdotool key m f f f
    for turn in 40 -25 60; do
        xdotool mousemove_relative -- "$turn" 0 key n
        sleep 0.2
    done
    xdotool key p v w w w a
}

# Waits up to 60 s for the viewer's window to show a picture (more than one colour): on a
# busy machine the first frame can take many seconds.
await_picture() {
    local colours
    for _ in $(seq 600); do
        kill -0 "$viewer" 2>/dev/null || return 1
        colours=$(xwd -silent -name velmora 2>/dev/null | xwdtopnm 2>/dev/null | ppmhist -noheader 2>/dev/null | wc -l) ||
            colours=0
        [ "$colours" -gt 1 ] && return 0
        sleep 0.1
    done
    return 1
}

for mode in 13 8 6; do
    NOFS=1 MODE=$mode "$root/build/velmora" 2> "$shots/mode$mode.log" &
    viewer=$!
    await_picture || { cat "$shots/mode$mode.log" >&2; echo "mode $mode: no picture" >&2; exit 1; }
    if [ $mode = 13 ]; then pose_chain; sleep 0.5; fi
    xwd -silent -name velmora | xwdtopnm 2>/dev/null | pnmtopng > "$shots/mode$mode.png"
    xdotool key Escape
    wait $viewer
    echo "mode $mode: $shots/mode$mode.png"
done
