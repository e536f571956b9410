#!/usr/bin/env bash
# velmora: the zip for x86-64 Windows, cross-built with MinGW-w64.
#   build/packages/velmora-VERSION-windows-x86_64.zip, whose path is the last line on standard output.
# freeglut comes from Debian's own source package, fetched through apt (which checks it against the
# archive's signed index) and built as a static library. Everything is cached under
# build/windows-x86_64/: freeglut's source, build and install, and the cross-build of velmora
# (velmora/, which scripts/test.sh also builds the Windows unit tests in).
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
source "$root/scripts/deps.sh"
source "$root/scripts/package/zip.sh"
need_packages $windows_packages

work="$root/build/windows-x86_64"
toolchain="$root/cmake/windows-x86_64.cmake"
freeglut="$work/freeglut"
mkdir -p "$work"

# The upstream tarball of Debian's freeglut source package, through a private apt source list
# (same archive, suite and keyring as the system's) and private lists, so that the system's apt
# configuration is left as it is. apt checks the tarball against the signed index's SHA-256; the
# package's Debian changes are not used, so only the tarball is fetched.
fetch_freeglut() {
    local apt="$work/apt"
    rm -rf "$apt" "$freeglut/src" "$freeglut/download"
    mkdir -p "$apt/lists/partial" "$apt/cache/archives/partial" "$apt/parts" "$freeglut/download"
    local codename uri
    codename="$(. /etc/os-release && echo "$VERSION_CODENAME")"
    uri="$(apt-get indextargets --format '$(REPO_URI) $(RELEASE) $(ORIGIN)' |
        awk -v suite="$codename" '$2 == suite && $3 == "Debian" { print $1; exit }')"
    if [ -z "$uri" ]; then
        echo "no Debian archive for $codename among apt's sources" >&2
        return 1
    fi
    printf 'Types: deb-src\nURIs: %s\nSuites: %s\nComponents: main\nSigned-By: %s\n' \
        "$uri" "$codename" /usr/share/keyrings/debian-archive-keyring.gpg > "$apt/parts/freeglut.sources"
    local options=(-o "Dir::Etc::SourceList=/dev/null" -o "Dir::Etc::SourceParts=$apt/parts"
        -o "Dir::State::Lists=$apt/lists" -o "Dir::Cache=$apt/cache" -qq)
    # As root apt downloads as the _apt user, who cannot write to these private folders.
    [ "$(id -u)" -ne 0 ] || options+=(-o "APT::Sandbox::User=root")
    apt-get "${options[@]}" update >&2
    # The record's folder in the archive and the tarball's checksum line: " SHA256 SIZE NAME".
    local record directory sum name
    record="$(apt-cache "${options[@]}" showsrc --only-source freeglut)"
    directory="$(sed -n 's/^Directory: //p' <<< "$record" | head -n 1)"
    read -r sum _ name < <(sed -n '/^Checksums-Sha256:/,/^[^ ]/p' <<< "$record" |
        grep -E ' freeglut_[^ ]*\.orig\.tar\.[a-z0-9]+$' | head -n 1)
    if [ -z "$directory" ] || [ -z "${name:-}" ]; then
        echo "no freeglut source package in $uri $codename" >&2
        return 1
    fi
    /usr/lib/apt/apt-helper "${options[@]}" download-file "$uri$directory/$name" \
        "$freeglut/download/$name" "SHA256:$sum" >&2
    mkdir -p "$freeglut/src"
    tar -xf "$freeglut/download/$name" -C "$freeglut/src" --strip-components=1
    rm -rf "$apt"
}

# Its compiler's warnings are freeglut's business: they go to a log, shown only if the build fails.
build_freeglut() {
    local log="$freeglut/build.log"
    if ! { cmake -S "$freeglut/src" -B "$freeglut/build" -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
            -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$freeglut/install" \
            -DFREEGLUT_BUILD_SHARED_LIBS=OFF -DFREEGLUT_BUILD_STATIC_LIBS=ON \
            -DFREEGLUT_BUILD_DEMOS=OFF -DFREEGLUT_GLES=OFF &&
            cmake --build "$freeglut/build" -j "$(nproc)" &&
            cmake --install "$freeglut/build"; } > "$log" 2>&1; then
        cat "$log" >&2
        return 1
    fi
}

if [ ! -f "$freeglut/src/COPYING" ]; then
    echo "fetching freeglut's source" >&2
    fetch_freeglut
fi
if [ ! -d "$freeglut/install/lib/cmake/FreeGLUT" ]; then
    echo "building freeglut for Windows" >&2
    build_freeglut
fi

echo "building velmora for Windows" >&2
build="$work/velmora"
# A cache from an earlier run keeps its own choices (scripts/test.sh turns the tests on).
[ -f "$build/CMakeCache.txt" ] ||
    cmake -S "$root" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
        -DCMAKE_PREFIX_PATH="$freeglut/install" -DBUILD_TESTING=OFF > /dev/null
cmake --build "$build" -j "$(nproc)" --target velmora > /dev/null

# The zip holds one folder, named as the zip is.
name="velmora-$version-windows-x86_64"
stage="$work/stage"
rm -rf "$stage"
mkdir -p "$stage/$name/data/rescales" "$stage/$name/licences"
# Without the debugging information, which is most of the file.
x86_64-w64-mingw32-strip -o "$stage/$name/velmora.exe" "$build/velmora.exe"
cp "$root"/data/rescales/*.ppm "$stage/$name/data/rescales/"
# Text files with Windows line ends, for any editor there.
sed -e "s/@FOLDER@/$name/" -e 's/$/\r/' "$root/docs/windows/README.txt" > "$stage/$name/README.txt"
sed 's/$/\r/' "$freeglut/src/COPYING" > "$stage/$name/licences/freeglut.txt"
# MinGW-w64's start-up code and threads library are linked in too.
sed 's/$/\r/' /usr/share/doc/mingw-w64-x86-64-dev/copyright > "$stage/$name/licences/mingw-w64.txt"
zip_folder "$stage" "$name"
