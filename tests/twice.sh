# velmora: what the tests that make a package twice from the last commit share: a scratch folder in
# `tmp`, removed on exit; `fail MESSAGE`; the skip (status 77) outside a git checkout; package_twice.
# Usage: source tests/twice.sh SOURCE_DIR; package_twice KIND LIST
# What is judged is the commit, not uncommitted changes.
set -euo pipefail
source=$1
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
git -C "$source" rev-parse -q --verify HEAD >/dev/null || { echo "not a git checkout: no commit to package"; exit 77; }

# package_twice KIND LIST: the packaging command (scripts/package.sh KIND) in two fresh copies of the
# commit at two paths, one after the other, under different umasks, time zones and locales. The two
# must have one name and the same bytes; where they differ, LIST (a command given a package's path)
# shows where their listings differ. Prints the package's path.
package_twice() {
    local kind=$1 list=$2
    # package DIR UMASK ZONE LOCALE: makes a package from a fresh copy of HEAD in DIR; prints its path.
    package() {
        git init -q "$1" && git -C "$1" fetch -q "$source" HEAD && git -C "$1" checkout -q FETCH_HEAD
        (cd "$1" && umask "$2" && TZ=$3 LC_ALL=$4 bash scripts/package.sh "$kind" 2>"$tmp/log" | tail -n 1) ||
            fail "packaging in $1: $(tail -n 20 "$tmp/log")"
    }
    local first second
    # Each `fail` ends only its own command substitution: its status ends this one too.
    first=$(package "$tmp/one/velmora" 022 UTC C.UTF-8) || exit 1
    second=$(package "$tmp/elsewhere/two/velmora" 077 Pacific/Chatham C) || exit 1
    [ "${first##*/}" = "${second##*/}" ] || fail "two names: $first, $second"
    if ! cmp "$first" "$second" >&2; then
        diff <($list "$first") <($list "$second") >&2 || true
        fail "two packages of one commit differ"
    fi
    echo "reproducible: $first ($(stat -c %s "$first") bytes, twice)" >&2
    echo "$first"
}
