#!/usr/bin/env bash
# velmora: the Debian package, made twice from the last commit, as Debian's own tools judge it.
# Usage: package_test.sh SOURCE_DIR
# The packaging command runs in two fresh copies of the commit at two paths, one after the other,
# under different umasks, time zones and locales; the two packages must be the same, byte for byte.
# Then lintian, hardening-check, desktop-file-validate and appstreamcli judge the package.
# What is judged is the commit, not uncommitted changes. Exits 77 (skipped) outside a git checkout.
source "$1/tests/twice.sh" "$1"

# The only tag `lintian --pedantic --display-info` may give:
#   arch-dep-package-has-big-usr-share: the six pictures (4.7 MB) are all the program's data, in the
#   exact form it checks. A separate architecture-independent package would save space on a mirror
#   that carries several architectures, not on a user's machine, and would make two packages of one.
allowed="arch-dep-package-has-big-usr-share"

debian_listing() { dpkg-deb -I "$1"; dpkg-deb -c "$1"; }
deb=$(package_twice deb debian_listing)

status=0
lintian --pedantic --display-info "$deb" >"$tmp/lintian" 2>/dev/null || status=$?
cat "$tmp/lintian"
[ $status = 0 ] || fail "lintian ended with status $status"
! grep -Ev "^[IP]: velmora: ($allowed)( |$)" "$tmp/lintian" || fail "lintian tags beyond $allowed"

dpkg-deb -x "$deb" "$tmp/x"
program="$tmp/x/usr/libexec/velmora/velmora"
skip=()
if [ "$(dpkg --print-architecture)" = amd64 ]; then
    # A program carries the control-flow mark only when every object linked into it does. Debian's
    # C library start files do not (Scrt1.o on Debian 12 and 13), so no program built here has it;
    # then the program's own code is checked for the marks -fcf-protection puts at each function
    # it calls indirectly or exports (37 here; 2, from the compiler's start files, without it).
    if ! grep -q 'x86 feature: IBT, SHSTK' <<<"$(readelf -n "$(c++ -print-file-name=Scrt1.o)")"; then
        skip+=(--nocfprotection)
        marks=$(objdump -d "$program" | grep -c endbr64 || true)
        echo "Scrt1.o has no control-flow mark: the program's own code has $marks endbr64 marks"
        [ "$marks" -ge 20 ] || fail "only $marks endbr64 marks: built without -fcf-protection?"
    fi
fi
# Newer hardening-check asks every architecture for AArch64's branch protection. (Its help ends
# with status 1, which a pipe under pipefail would take for the grep's, so it is read whole first.)
if [ "$(dpkg --print-architecture)" != arm64 ] && grep -q nobranchprotection <<<"$(hardening-check --help 2>&1)"; then
    skip+=(--nobranchprotection)
fi
hardening-check "${skip[@]}" "$program" || fail "hardening-check ${skip[*]}"

desktop-file-validate "$tmp"/x/usr/share/applications/*.desktop >"$tmp/desktop" 2>&1 || true
[ ! -s "$tmp/desktop" ] || fail "desktop-file-validate: $(cat "$tmp/desktop")"
appstreamcli validate --no-net "$tmp"/x/usr/share/metainfo/*.metainfo.xml || fail "appstreamcli validate"
# The whole tree as well: the entry's launchable is the menu entry shipped beside it.
appstreamcli validate-tree --no-net "$tmp/x" || fail "appstreamcli validate-tree"
