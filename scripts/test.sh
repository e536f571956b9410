#!/usr/bin/env bash
# velmora: installs what is missing, builds, and runs every test: the whole suite
# (with memcheck runs of the unit tests and a short soak), the whole suite again
# built with AddressSanitizer and UndefinedBehaviorSanitizer, and each fuzz target
# for a minute (built with clang). The full run also cross-builds the Windows zip and runs the
# Windows unit tests and the zip's viewer under Wine (CTest label wine), and builds the page and
# drives it in Debian's chromium, and once each in Firefox ESR and WebKitGTK (CTest label web).
# With --quick: the one build, then the unit and end-to-end tests only, for everyday work.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
source "$root/scripts/deps.sh"
jobs="$(nproc)"
quick=no
case "${1:-}" in
    --quick) quick=yes ;;
    "") ;;
    *) echo "usage: scripts/test.sh [--quick]" >&2; exit 2 ;;
esac

need_packages $build_packages $test_packages

packages=()
if [ $quick = no ]; then
    need_packages $windows_packages $wine_packages $web_packages $web_test_packages
    need_npm
    echo "== cross-build for Windows" >&2
    zip="$(bash "$root/scripts/package.sh" windows | tail -n 1)"
    cross="$root/build/windows-x86_64/velmora"
    cmake -S "$root" -B "$cross" -DBUILD_TESTING=ON > /dev/null
    cmake --build "$cross" -j "$jobs"
    echo "== build the page" >&2
    page="$(bash "$root/scripts/package.sh" web | tail -n 1)"
    packages=(-DVELMORA_WINDOWS_BUILD="$cross" -DVELMORA_WINDOWS_ZIP="$zip" -DVELMORA_WEB_ZIP="$page")
fi

echo "== build and test" >&2
cmake -S "$root" -B "$root/build" -DBUILD_TESTING=ON "${packages[@]}" > /dev/null
# The full run also builds the benchmark programs, which a plain build leaves out, so
# that they cannot stop compiling unnoticed.
targets=(all)
[ $quick = yes ] || targets+=(velmora_bench velmora_probe)
cmake --build "$root/build" -j "$jobs" --target "${targets[@]}"
# One test at a time: many tests start their own Xvfb, and a server shutting down
# while another starts on the number it just gave up can take that one's socket.
if [ $quick = yes ]; then
    (cd "$root/build" && ctest --output-on-failure -L '^(unit|e2e)$')
    exit
fi
(cd "$root/build" && ctest --output-on-failure)

echo "== fuzz each target for a minute" >&2
CC=clang CXX=clang++ cmake -S "$root" -B "$root/build-fuzz" -DBUILD_TESTING=ON \
    -DVELMORA_FUZZ=ON -DVELMORA_SANITIZE=ON > /dev/null
cmake --build "$root/build-fuzz" -j "$jobs" --target fuzz_events fuzz_textures fuzz_pose
bash "$root/tests/fuzz/run.sh" "$root/build-fuzz" 60

echo "== build and test with the sanitizers" >&2
cmake -S "$root" -B "$root/build-sanitize" -DBUILD_TESTING=ON -DVELMORA_SANITIZE=ON > /dev/null
cmake --build "$root/build-sanitize" -j "$jobs"
(cd "$root/build-sanitize" &&
    UBSAN_OPTIONS=print_stacktrace=1 ctest --output-on-failure)
