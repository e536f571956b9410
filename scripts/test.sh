#!/usr/bin/env bash
# velmora: installs what is missing, builds, and runs every test: the whole suite
# (with memcheck runs of the unit tests and a short soak), the whole suite again
# built with AddressSanitizer and UndefinedBehaviorSanitizer, and each fuzz target
# for a minute.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
source "$root/scripts/deps.sh"
jobs="$(nproc)"

need_packages $build_packages $test_packages

echo "== build and test" >&2
cmake -S "$root" -B "$root/build" -DBUILD_TESTING=ON > /dev/null
cmake --build "$root/build" -j "$jobs"
(cd "$root/build" && ctest --output-on-failure -j "$jobs")

echo "== build and test with the sanitizers" >&2
cmake -S "$root" -B "$root/build-sanitize" -DBUILD_TESTING=ON -DVELMORA_SANITIZE=ON > /dev/null
cmake --build "$root/build-sanitize" -j "$jobs"
(cd "$root/build-sanitize" &&
    UBSAN_OPTIONS=print_stacktrace=1 ctest --output-on-failure -j "$jobs")
