#!/usr/bin/env bash
# velmora: the page that runs velmora in a browser, built with Debian's emscripten.
#   build/packages/velmora-VERSION-web.zip, whose path is the last line on standard output.
# The zip holds one folder that works as it is from any static web server, under any path; one commit
# gives the same zip, byte for byte, wherever and whenever it is packaged. The build and emscripten's
# cache live under build/web/: the cache is the system's prebuilt one, linked in, so nothing is
# written to the home folder or to /usr.
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
cp "$root/web/page/index.html" "$root/web/page/README.txt" "$root"/web/page/*.js "$build/velmora.wasm" "$stage/$name/"
# Debian 12's file packager tags each build of velmora.js with a random id (Debian 13's writes none),
# which only a preload cache the page does not use reads: the pictures' hash takes its place, so that
# one commit gives one velmora.js.
id="$(sha256sum < "$build/velmora.data" | cut -c 1-32)"
sed "s/\"package_uuid\":\"[^\"]*\"/\"package_uuid\":\"$id\"/" "$build/velmora.js" > "$stage/$name/velmora.js"
# The pictures travel packed whatever the server does: each byte less the sixth before it, then gzip;
# the page unpacks them (web/page/load.js).
node "$root/scripts/package/delta.mjs" "$build/velmora.data" | gzip -9 -n > "$stage/$name/velmora.data"
# What the page is compiled with: emscripten's runtime and its C and C++ libraries.
cp /usr/share/doc/emscripten/copyright "$stage/$name/licences/emscripten.txt"
zip_folder "$stage" "$name"
