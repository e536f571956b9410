#!/usr/bin/env bash
# velmora tests: the mutant generator of scripts/mutate.sh. A seed must draw the same mutants
# on every system (the score in TESTING.md names one), spread over the files by size, never
# edit inside a string or comment, and apply a mutant only to the line it was made from.
# Usage: mutants_test.sh PROJECT_ROOT
set -euo pipefail
mutants="$1/scripts/mutants.pl"
dir="$(mktemp -d)"
trap 'rm -rf "$dir"' EXIT
cd "$dir"
fail() { echo "FAILED: $*" >&2; exit 1; }

# Six lines that can be mutated, and two.
cat > big.cpp <<'EOF'
// Six lines the generator may edit, and text it must leave alone.
#include <cstdio>

int f(int a, int b)
{
    if (a < b)
        return a + b;
    std::puts("a < b && c - d");  // a > b || c * d
    a -= 1;
    bool odd = (a % 2) == 1;
    return odd ? a * 2 : -a;
}
EOF
cat > small.cpp <<'EOF'
int g(bool x)
{
    return x ? 1 : 0;
}
int h() { return g(true); }
EOF
list() { perl "$mutants" list "$1" "$2" big.cpp small.cpp; }

# The drawing is pinned: a change to it changes which mutants a recorded seed means.
expected=$'big.cpp:6: negate the if\nbig.cpp:8: delete std::puts()\nbig.cpp:11: 2 to 3\nsmall.cpp:3: return {}'
drawn="$(list 4 3 | awk -F'\t' '{print $2 ":" $3 ": " $5}')"
[ "$drawn" = "$expected" ] || fail $'seed 3 drew\n'"$drawn"$'\ninstead of\n'"$expected"
[ "$(list 4 3)" != "$(list 4 4)" ] || fail "seeds 3 and 4 drew the same mutants"

for seed in 1 2 3 4 5 6 7 8; do
    # Three of four mutants in the file three times the size.
    [ "$(list 4 "$seed" | grep -c '^[0-9]*	big\.cpp	')" = 3 ] || fail "seed $seed: not three of four in big.cpp"
    # More mutants asked for than lines: each line once, text in quotes and comments untouched.
    all="$(list 100 "$seed")"
    [ "$(cut -f2,3 <<< "$all" | sort -u | wc -l)" = 8 ] || fail "seed $seed: not each of the 8 lines once"
    grep -q $'\tbig.cpp\t8\t0\tdelete std::puts()\t.*\t    ;$' <<< "$all" || fail "seed $seed: edited inside a string"
    while IFS=$'\t' read -r _ file line _ _ committed mutated; do
        [ "$(sed -n "${line}p" "$file")" = "$committed" ] || fail "seed $seed: $file:$line is not the line listed"
        [ "$mutated" != "$committed" ] || fail "seed $seed: $file:$line was not changed"
    done <<< "$all"
done

# Applying writes that one line; applying it again finds the line changed and refuses.
list 4 3 > list
cp big.cpp before.cpp
perl "$mutants" apply list 3
[ "$(diff before.cpp big.cpp | grep -c '^[<>]')" = 2 ] || fail "applying changed more than one line"
[ "$(sed -n 11p big.cpp)" = "    return odd ? a * 3 : -a;" ] || fail "applying wrote another line"
if perl "$mutants" apply list 3 2> /dev/null; then fail "applied over a line that had changed"; fi
echo "mutant generator: pinned, spread by size, one line each, nothing inside strings or comments"
