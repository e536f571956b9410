#!/usr/bin/env bash
# velmora: runs each libFuzzer target for a while, one after the other.
#
#   tests/fuzz/run.sh <build-dir> <seconds>
#
# <build-dir> was configured with -DVELMORA_FUZZ=ON (and usually
# -DVELMORA_SANITIZE=ON) and has fuzz_events, fuzz_textures and fuzz_pose built. Each
# target starts from a copy of its seed corpus in a temporary directory, so
# nothing is written into the repository; fuzz_textures also reads the full
# size pictures in data/rescales/ (read only). Prints each target's final
# statistics and exits non-zero if any target reports a crash, a leak, a
# timeout or running out of memory; the failing input is kept and named.
set -uo pipefail

if [ $# -ne 2 ]; then
    echo "usage: $0 <build-dir> <seconds>" >&2
    exit 2
fi
build="$(cd "$1" && pwd)" || exit 2
seconds="$2"
here="$(cd "$(dirname "$0")" && pwd)"
root="$(cd "$here/../.." && pwd)"
work="$(mktemp -d "${TMPDIR:-/tmp}/velmora-fuzz-run.XXXXXX")"

# An input may build the longest chain and draw it a few times, seconds of
# work in this instrumented build on a busy machine: -timeout=30 leaves room
# for that and still ends a hang.
# Leak detection stays on. Should something outside our code ever leak, it
# is to be suppressed narrowly in lsan.supp next to this script.
export ASAN_OPTIONS="detect_leaks=1${ASAN_OPTIONS:+:$ASAN_OPTIONS}"
if [ -f "$here/lsan.supp" ]; then
    export LSAN_OPTIONS="suppressions=$here/lsan.supp${LSAN_OPTIONS:+:$LSAN_OPTIONS}"
fi
export UBSAN_OPTIONS="print_stacktrace=1${UBSAN_OPTIONS:+:$UBSAN_OPTIONS}"

failed=0

# run_target NAME [libFuzzer arguments...]
run_target() {
    local name="$1"
    shift
    local binary="$build/tests/fuzz/fuzz_$name"
    local dir="$work/$name"
    if [ ! -x "$binary" ]; then
        echo "fuzz_$name: not built: $binary" >&2
        failed=1
        return
    fi
    mkdir -p "$dir/corpus" "$dir/artifacts"
    cp -R "$here/corpus/$name/." "$dir/corpus/"
    local status=0
    # TMPDIR: fuzz_textures makes its private directory under it.
    (cd "$dir" && TMPDIR="$dir" timeout --signal=KILL $((seconds + 300)) "$binary" \
        -max_total_time="$seconds" -timeout=30 -rss_limit_mb=2048 -detect_leaks=1 \
        -print_final_stats=1 -artifact_prefix="$dir/artifacts/" "$@" \
        "$dir/corpus" ${EXTRA_CORPUS:+"$EXTRA_CORPUS"}) > "$dir/log" 2>&1 || status=$?

    echo "== fuzz_$name ($seconds s)"
    grep -E '^#[0-9]+[[:space:]]+DONE' "$dir/log" | tail -n 1
    grep -E '^stat::' "$dir/log"
    if [ "$status" -ne 0 ] ||
        grep -qE 'ERROR: (libFuzzer|AddressSanitizer|LeakSanitizer|UndefinedBehaviorSanitizer)|runtime error:|^SUMMARY: ' "$dir/log" ||
        [ -n "$(ls -A "$dir/artifacts")" ]; then
        echo "fuzz_$name: FAILED (exit status $status); the end of its log:"
        tail -n 60 "$dir/log"
        echo "fuzz_$name: log and failing inputs kept in $dir"
        failed=1
    else
        echo "fuzz_$name: clean"
    fi
}

# The events target's program logs one line per event on standard error:
# close it (the harness keeps its own diagnostics on a copy of it). Longer
# event streams from the start find more states than growing them slowly.
EXTRA_CORPUS="" run_target events -close_fd_mask=2 -max_len=1024 -len_control=0
# Full-size files load only past 1.5 MB; the pictures show every row's format.
EXTRA_CORPUS="$root/data/rescales" run_target textures -max_len=1600000
# A pose of 127 rings is 1,471 characters; a little more lets the reader see what is too long.
EXTRA_CORPUS="" run_target pose -max_len=1600

if [ "$failed" -eq 0 ]; then
    rm -rf "$work"
fi
exit "$failed"
