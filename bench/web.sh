#!/usr/bin/env bash
# velmora: the page's benchmark (bench/web.mjs): headless chromium on SwiftShader, the WebGL calls a
# frame makes, and chromium headed on Xvfb drawing through Mesa's llvmpipe; then the native chain
# frame (velmora_bench's real frame, on its own Xvfb) at the same chain lengths in the same run.
# Usage: bench/web.sh [LOADS [EARLIER_ZIP]]
#   LOADS: page loads per mode for the load times (5); EARLIER_ZIP: a web zip of an earlier commit
#   whose WebGL calls are counted too, to set beside this one's.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
source "$root/scripts/deps.sh"
need_packages $build_packages $web_packages $web_test_packages xvfb
need_npm
runs="${1:-5}"
earlier="${2:-}"
[ -z "$earlier" ] || earlier="$(realpath "$earlier")"

zip="$(bash "$root/scripts/package.sh" web | tail -n 1)"
work="$root/build/web/bench"
rm -rf "$work/site" "$work/earlier"
mkdir -p "$work/site" "$work/earlier" "$work/node"
(cd "$work/site" && cmake -E tar xf "$zip")
# playwright-core, as the browser tests pin it.
cp "$root/tests/web/package.json" "$root/tests/web/package-lock.json" "$work/node/"
(cd "$work/node" && npm ci --no-audit --no-fund > /dev/null)
page="$work/site/$(basename "$zip" .zip)"
modules="$work/node/node_modules"
symbols="$root/build/web/velmora/velmora.js.symbols"

echo "== the page, headless, SwiftShader"
node "$root/bench/web.mjs" "$page" "$modules" swiftshader "$runs" "$symbols"

echo
echo "== the page's WebGL calls"
node "$root/bench/web.mjs" "$page" "$modules" calls
if [ -n "$earlier" ]; then
    (cd "$work/earlier" && cmake -E tar xf "$earlier")
    echo
    echo "== the WebGL calls of $(basename "$earlier")"
    node "$root/bench/web.mjs" "$work/earlier"/*/ "$modules" calls
fi

echo
echo "== the page, headed on Xvfb, llvmpipe"
exec 3< <(exec Xvfb -displayfd 1 -noreset -screen 0 1400x1100x24 -nolisten tcp 2>/dev/null)
xvfb_pid=$!
trap 'kill $xvfb_pid 2>/dev/null' EXIT
read -r -t 10 number <&3
DISPLAY=":$number" node "$root/bench/web.mjs" "$page" "$modules" llvmpipe 0 "$symbols"
kill $xvfb_pid

echo
echo "== the native frame (velmora_bench, real frame, wall clock)"
bash "$root/bench/run.sh" --xvfb -- --frames 60 --warmup 10
