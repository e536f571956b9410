#!/usr/bin/env bash
# velmora: installs what is missing, builds, and runs every test.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
source "$root/scripts/deps.sh"

need_packages $build_packages $test_packages
cmake -S "$root" -B "$root/build" -DBUILD_TESTING=ON > /dev/null
cmake --build "$root/build" -j "$(nproc)"
cd "$root/build"
ctest --output-on-failure -j "$(nproc)"
