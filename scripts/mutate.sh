#!/usr/bin/env bash
# velmora: a mutation run over the committed program code. Makes N single-line mutants
# (scripts/mutants.pl draws them from N and SEED), judges each with the quick tier's tests,
# and prints a table and the score. A tool for engineers, run when tests change; not part of
# the test command. TESTING.md says how to read it.
# Usage: scripts/mutate.sh [N [SEED [FOLDER]]]    (40 mutants and seed 15 unless given; with a
#        FOLDER, such as web/gl, only the files under it are mutated)
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
# A mutant of the page's GL layer (web/gl/) meets the unit tests the same way, then, instead of the
# end-to-end tests, the page rebuilt with it and the page's tests in chromium (web.e2e).
# A survivor judged equivalent by hand is listed in scripts/equivalent-mutants.txt.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
count="${1:-40}"
seed="${2:-15}"
folder="${3:-}"
folder="${folder%/}"
if ! [[ "$count" =~ ^[1-9][0-9]*$ && "$seed" =~ ^[0-9]+$ ]] || [ $# -gt 3 ]; then
    echo "usage: scripts/mutate.sh [N [SEED [FOLDER]]]" >&2
    exit 2
fi
if [ -n "$(git -C "$root" status --porcelain)" ]; then
    echo "mutate.sh: the tree has uncommitted changes; commit or stash them, then run again" >&2
    exit 1
fi
commit="$(git -C "$root" rev-parse HEAD)"
source "$root/scripts/deps.sh"
need_packages $build_packages $test_packages $web_packages $web_test_packages
need_npm
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
# The page's tests in chromium; the fixture that installs their driver ran in the first check.
web_tests() { run_tests build web -R '^web[.]e2e$' -FS web_node --repeat until-pass:2; }
page_build() {  # rebuilds the page's zip in the clone (under build/, which git ignores)
    bash "$src/scripts/package.sh" web > "$work/log" 2>&1
}
page_code() {  # one checksum of the page's compiled program
    cat "$src"/build/web/velmora/velmora.{js,wasm} | md5sum
}
layer() { [[ "$1" == web/gl/* ]]; }

say "building $commit in $work (normal and sanitizer builds, and the page)"
page_build || { cat "$work/log" >&2; say "the commit's page does not build"; exit 1; }
page="$(tail -n 1 "$work/log")"
cmake -S "$src" -B "$work/build" -DBUILD_TESTING=ON -DVELMORA_WEB_ZIP="$page" > /dev/null
cmake -S "$src" -B "$work/build-sanitize" -DBUILD_TESTING=ON -DVELMORA_SANITIZE=ON > /dev/null
for dir in build build-sanitize; do
    build $dir || { cat "$work/log" >&2; say "the commit does not build ($dir)"; exit 1; }
done
plain_objects="$(objects build)"
sanitized_objects="$(objects build-sanitize)"
page_objects="$(page_code)"

# Program files: those of the layers (not tests/, bench/ or tools/) that the normal build or the
# page's compiles, under FOLDER if one is given.
mapfile -t files < <(git -C "$root" ls-tree -r --name-only "$commit" |
    grep -E '\.(cpp|h)$' | grep -vE '^(tests|bench|tools)/' | grep -E "^${folder:+$folder/}" |
    while read -r file; do
        grep -qF "$src/$file" $(find "$work/build" -name '*.o.d') ||
            { layer "$file" && grep -qF "$src/$file" $(find "$src/build/web/velmora" -name '*.o.d'); } ||
            continue
        echo "$file"
    done)
# The first check runs each tier that a mutant of these files can meet; its web tests also run the
# fixture that installs their driver.
both_unit_tests() { unit_tests build && unit_tests build-sanitize; }
first_web_tests() { run_tests build web -R '^web[.]e2e$'; }
tiers=(both_unit_tests)
printf '%s\n' "${files[@]}" | grep -qv '^web/gl/' && tiers+=(e2e_tests)
printf '%s\n' "${files[@]}" | grep -q '^web/gl/' && tiers+=(first_web_tests)
say "checking that the commit passes its own tests"
for tier in "${tiers[@]}"; do
    $tier || { tail -40 "$work/log" >&2; say "the commit fails its own tests: no mutant could be judged"; exit 1; }
done
(cd "$src" && perl "$mutants" list "$count" "$seed" "${files[@]}") > "$work/mutants"
total="$(wc -l < "$work/mutants")"
say "$total mutants of ${#files[@]} files, seed $seed"

# judge_page NATIVE_CHANGED: the verdict on a mutant of the GL layer that the unit tests left
# alive, from the page rebuilt with it.
judge_page() {
    if ! page_build; then
        printf 'no-build\t\n'
    elif [ "$(page_code)" = "$page_objects" ]; then
        # The page's program is the same: only the native build differed, and its tests passed.
        if [ "$1" = yes ]; then printf 'survived\t\n'; else printf 'same-code\t\n'; fi
    elif ! web_tests; then
        printf 'web\t%s\n' "$(failed_test)"
    else
        printf 'survived\t\n'
    fi
}

# judge MEMORY FILE: prints the verdict and the test that decided it, tab-separated.
judge() {
    if ! build build; then
        printf 'no-build\t\n'
        return
    fi
    if [ "$(objects build)" = "$plain_objects" ]; then
        if layer "$2"; then
            judge_page no
            return
        fi
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
    if layer "$2"; then
        judge_page yes
    elif ! e2e_tests; then
        printf 'e2e\t%s\n' "$(failed_test)"
    else
        printf 'survived\t\n'
    fi
}

: > "$work/verdicts"
while IFS=$'\t' read -r -u 3 k file line memory what _; do
    (cd "$src" && perl "$mutants" apply "$work/mutants" "$k")
    verdict="$(judge "$memory" "$file")"
    git -C "$src" checkout --quiet --force -- "$file"  # the committed file back
    printf '%s\t%s\n' "$k" "$verdict" >> "$work/verdicts"
    say "[$k/$total] $file:$line $what: ${verdict%%$'\t'*} ($(( (SECONDS - started) / 60 )) min)"
done 3< "$work/mutants"

echo "Mutation run of $commit: $total mutants, seed $seed, $(( (SECONDS - started) / 60 )) minutes"
perl "$mutants" table "$work/mutants" "$work/verdicts" "$src/scripts/equivalent-mutants.txt"
