#!/usr/bin/env bash
# velmora: the page's benchmark (bench/web.mjs) in headless chromium, and the native chain frame
# (velmora_bench's real frame, on its own Xvfb) at the same chain lengths in the same run.
# Usage: bench/web.sh [RUNS]   (page loads per mode; defaults to 5)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
source "$root/scripts/deps.sh"
need_packages $build_packages $web_packages $web_test_packages xvfb
need_npm
runs="${1:-5}"

zip="$(bash "$root/scripts/package.sh" web | tail -n 1)"
work="$root/build/web/bench"
rm -rf "$work/site"
mkdir -p "$work/site" "$work/node"
(cd "$work/site" && cmake -E tar xf "$zip")
# playwright-core, as the browser tests pin it.
cp "$root/tests/web/package.json" "$root/tests/web/package-lock.json" "$work/node/"
(cd "$work/node" && npm ci --no-audit --no-fund > /dev/null)

echo "== the page"
node "$root/bench/web.mjs" "$work/site/$(basename "$zip" .zip)" "$work/node/node_modules" "$runs" \
    "$root/build/web/velmora/velmora.js.symbols"

echo
echo "== the native frame (velmora_bench, real frame, wall clock)"
bash "$root/bench/run.sh" --xvfb -- --frames 60 --warmup 10
