#!/usr/bin/env bash
# velmora: the page that runs velmora in a browser, built with Debian's emscripten.
#   build/packages/velmora-VERSION-web.zip, whose path is the last line on standard output.
# The zip holds one folder that works as it is from any static web server, under any path. The build
# and emscripten's cache live under build/web/: the cache is the system's prebuilt one, linked in,
# so nothing is written to the home folder or to /usr.
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
source "$root/scripts/deps.sh"
source "$root/scripts/package/zip.sh"
need_packages $web_packages

work="$root/build/web"
mkdir -p "$work"
# Debian 12's emscripten finds its JavaScript modules (acorn) only through NODE_PATH.
export NODE_PATH="/usr/share/nodejs${NODE_PATH:+:$NODE_PATH}"
# Debian builds emscripten's libraries once, into a frozen cache under /usr/share/emscripten; a
# cache of our own whose entries point there takes the lock files emscripten writes as it works.
system_cache="$(env -u EM_CACHE em-config CACHE)"
export EM_CACHE="$work/emcache"
mkdir -p "$EM_CACHE"
for entry in "$system_cache"/*; do
    case "$entry" in *.lock) continue ;; esac
    [ -e "$EM_CACHE/$(basename "$entry")" ] || ln -s "$entry" "$EM_CACHE/"
done

echo "building velmora for the web" >&2
build="$work/velmora"
[ -f "$build/CMakeCache.txt" ] ||
    emcmake cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF > /dev/null
cmake --build "$build" -j "$(nproc)" --target velmora > /dev/null

name="velmora-$version-web"
stage="$work/stage"
rm -rf "$stage"
mkdir -p "$stage/$name/licences"
cp "$root/web/page/index.html" "$root"/web/page/*.js "$build"/velmora.{js,wasm,data} "$stage/$name/"
cp "$root/web/page/README.txt" "$stage/$name/"
# What the page is compiled with: emscripten's runtime and its C and C++ libraries.
cp /usr/share/doc/emscripten/copyright "$stage/$name/licences/emscripten.txt"
zip_folder "$stage" "$name"
