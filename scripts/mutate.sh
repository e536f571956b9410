#!/usr/bin/env bash
# velmora: a mutation run over the committed program code. Makes N single-line mutants
# (scripts/mutants.pl draws them from N and SEED), judges each with the quick tier's tests,
# and prints a table and the score. A tool for engineers, run when tests change; not part of
# the test command. TESTING.md says how to read it.
# Usage: scripts/mutate.sh [N [SEED]]    (40 mutants and seed 15 unless given)
#
# It works in its own clone of the repository, checked out at HEAD in build-mutate/src, so the
# engineer's tree is never written; it refuses a tree with uncommitted changes, whose mutants
# would not be of what it tests. build-mutate/ is kept between runs (like build/), so its two
# builds, normal and with the sanitizers, recompile only what a mutant or a new commit touches.
# Each mutant:
#   1. is built; one that does not build is not counted;
#   2. if no object file changed, is equivalent as compiled (or is compiled only with the
#      sanitizers, which then judge it alone);
#   3. is run against the unit tests, stopping at the first failure;
#   4. if its line indexes, sizes or bounds memory, against the sanitizer build's unit tests;
#   5. against the end-to-end tests (a test must fail twice, so a slow moment is no kill).
# A survivor judged equivalent by hand is listed in scripts/equivalent-mutants.txt.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
count="${1:-40}"
seed="${2:-15}"
if ! [[ "$count" =~ ^[1-9][0-9]*$ && "$seed" =~ ^[0-9]+$ ]] || [ $# -gt 2 ]; then
    echo "usage: scripts/mutate.sh [N [SEED]]" >&2
    exit 2
fi
if [ -n "$(git -C "$root" status --porcelain)" ]; then
    echo "mutate.sh: the tree has uncommitted changes; commit or stash them, then run again" >&2
    exit 1
fi
commit="$(git -C "$root" rev-parse HEAD)"
source "$root/scripts/deps.sh"
need_packages $build_packages $test_packages
renice -n 10 -p $$ > /dev/null  # long and heavy: the machine's other work goes first

work="$root/build-mutate"
src="$work/src"
mkdir -p "$work"
exec 9> "$work/lock"
flock -n 9 || { echo "mutate.sh: another mutation run is using $work" >&2; exit 1; }
[ -d "$src/.git" ] || git clone --quiet --shared --no-checkout "$root" "$src"
# A run that was stopped may have left a mutant in place: --force puts back what is committed.
git -C "$src" checkout --quiet --force --detach "$commit"
trap 'git -C "$src" checkout --quiet --force -- .' EXIT
trap 'exit 130' INT TERM
mutants="$src/scripts/mutants.pl"
jobs="$(nproc)"
started=$SECONDS
say() { echo "mutate.sh: $*" >&2; }

build() {  # build DIR: builds everything; its output goes to $work/log
    cmake --build "$work/$1" -j "$jobs" > "$work/log" 2>&1
}
objects() {  # objects DIR: one checksum of the code and data of all object files, without
             # their debugging information, which records columns that an edit can shift
    (cd "$work/$1" && find . -name '*.o' | sort | while read -r object; do
        objcopy --strip-debug "$object" "$work/stripped.o" && md5sum < "$work/stripped.o"
    done | md5sum)
}
run_tests() {  # run_tests DIR LABEL [CTEST OPTIONS...]: stops at the first failing test
    (cd "$work/$1" && ctest -L "^$2\$" --stop-on-failure "${@:3}") > "$work/log" 2>&1
}
failed_test() {  # the name of the test that failed in the last run
    sed -n '/tests FAILED:/{n;s/^[[:space:]]*[0-9]* - \(.*\) ([^)]*)$/\1/p;q}' "$work/log"
}
unit_tests() { run_tests "$1" unit --timeout 300; }
e2e_tests() { run_tests build e2e --repeat until-pass:2; }

say "building $commit in $work (normal and sanitizer builds)"
cmake -S "$src" -B "$work/build" -DBUILD_TESTING=ON > /dev/null
cmake -S "$src" -B "$work/build-sanitize" -DBUILD_TESTING=ON -DVELMORA_SANITIZE=ON > /dev/null
for dir in build build-sanitize; do
    build $dir || { cat "$work/log" >&2; say "the commit does not build ($dir)"; exit 1; }
done
say "checking that the commit passes its own tests"
unit_tests build && unit_tests build-sanitize && e2e_tests ||
    { tail -40 "$work/log" >&2; say "the commit fails its own tests: no mutant could be judged"; exit 1; }
plain_objects="$(objects build)"
sanitized_objects="$(objects build-sanitize)"

# Program files: those of the layers (not tests/, bench/ or tools/) that this build compiles.
mapfile -t files < <(git -C "$root" ls-tree -r --name-only "$commit" |
    grep -E '\.(cpp|h)$' | grep -vE '^(tests|bench|tools)/' |
    while read -r file; do
        grep -qF "$src/$file" $(find "$work/build" -name '*.o.d') && echo "$file"
    done)
(cd "$src" && perl "$mutants" list "$count" "$seed" "${files[@]}") > "$work/mutants"
total="$(wc -l < "$work/mutants")"
say "$total mutants of ${#files[@]} files, seed $seed"

# judge MEMORY: prints the verdict and the test that decided it, tab-separated.
judge() {
    if ! build build; then
        printf 'no-build\t\n'
        return
    fi
    if [ "$(objects build)" = "$plain_objects" ]; then
        # Unchanged in the normal build: only the sanitizer build can tell, if anything can.
        if ! build build-sanitize; then
            printf 'no-build\t\n'
        elif [ "$(objects build-sanitize)" = "$sanitized_objects" ]; then
            printf 'same-code\t\n'
        elif ! unit_tests build-sanitize; then
            printf 'sanitizer\t%s\n' "$(failed_test)"
        else
            printf 'survived\t\n'
        fi
        return
    fi
    if ! unit_tests build; then
        printf 'unit\t%s\n' "$(failed_test)"
        return
    fi
    if [ "$1" = 1 ]; then
        if ! build build-sanitize; then
            printf 'no-build\t\n'
            return
        elif ! unit_tests build-sanitize; then
            printf 'sanitizer\t%s\n' "$(failed_test)"
            return
        fi
    fi
    if ! e2e_tests; then
        printf 'e2e\t%s\n' "$(failed_test)"
    else
        printf 'survived\t\n'
    fi
}

: > "$work/verdicts"
while IFS=$'\t' read -r -u 3 k file line memory what _; do
    (cd "$src" && perl "$mutants" apply "$work/mutants" "$k")
    verdict="$(judge "$memory")"
    git -C "$src" checkout --quiet --force -- "$file"  # the committed file back
    printf '%s\t%s\n' "$k" "$verdict" >> "$work/verdicts"
    say "[$k/$total] $file:$line $what: ${verdict%%$'\t'*} ($(( (SECONDS - started) / 60 )) min)"
done 3< "$work/mutants"

echo "Mutation run of $commit: $total mutants, seed $seed, $(( (SECONDS - started) / 60 )) minutes"
perl "$mutants" table "$work/mutants" "$work/verdicts" "$src/scripts/equivalent-mutants.txt"
