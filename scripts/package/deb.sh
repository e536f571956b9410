#!/usr/bin/env bash
# velmora: makes the Debian package of the current tree. Installs what is missing, builds the
# program and its icon in build-deb/ (a build of its own, without the tests), and writes
# build/packages/velmora_VERSION_ARCH.deb, whose path is the last line on standard output.
# Every file in the package carries the time of the last commit (SOURCE_DATE_EPOCH, when it is not
# set already; the newest changelog entry's outside a git checkout), and nothing in it depends on
# where the tree is, so one commit gives the same bytes wherever and whenever it is packaged.
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
source "$root/scripts/deps.sh"
need_packages $build_packages $package_packages

if [ -z "${SOURCE_DATE_EPOCH:-}" ]; then
    SOURCE_DATE_EPOCH=$(git -C "$root" log -1 --format=%ct 2>/dev/null) ||
        SOURCE_DATE_EPOCH=$(dpkg-parsechangelog -l "$root/packaging/changelog" -S Timestamp)
fi
export SOURCE_DATE_EPOCH

# CMake creates folders, and CPack the archive's members, under the umask: 022, as dpkg-buildpackage
# sets it, so that the package is the same whoever makes it, and its folders are readable by all.
umask 022
build="$root/build-deb"
# Without the `all` dependency of the install step, cpack builds nothing beyond what is asked for here.
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=OFF \
    -DCMAKE_SKIP_INSTALL_ALL_DEPENDENCY=ON >&2
cmake --build "$build" -j "$(nproc)" --target velmora velmora_icons >&2
rm -f "$build"/velmora_*.deb
(cd "$build" && cpack -G DEB) >&2
deb=$(cd "$build" && echo velmora_*.deb)
mkdir -p "$root/build/packages"
mv "$build/$deb" "$root/build/packages/$deb"
echo "$root/build/packages/$deb"
