#!/usr/bin/env bash
# velmora: checks of what `cmake --install` and the .deb put on a machine, and of the manual page.
# Usage: install_test.sh prefix|deb|manual BUILD_DIR SOURCE_DIR
set -euo pipefail
# One locale whatever the caller's: man renders quotes as the locale's character set allows
# (typographic in UTF-8, plain ASCII in C), and sort's order depends on it too. C.UTF-8 is
# built into Debian's C library, so it exists even where no locale is installed.
export LC_ALL=C.UTF-8
what=$1 build=$2 source=$3
tmp=$(mktemp -d)
xvfb= pid=
# Waits for Xvfb to end: one still closing could remove the socket of the next on its number.
trap 'for p in $pid $xvfb; do kill $p && wait $p; done 2>/dev/null; rm -rf "$tmp"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
pictures="ntux path pgac pipe pond xeb2"

# Starts an Xvfb of our own on a display number it picks. Without -noreset it would reset
# whenever its last client (a probing xdotool) disconnects and refuse the viewer meanwhile.
start_x() {
    Xvfb -displayfd 3 -noreset -screen 0 1400x1100x24 -nolisten tcp 3>"$tmp/display" 2>/dev/null &
    xvfb=$!
    for _ in $(seq 100); do { read -r number <"$tmp/display"; } 2>/dev/null && break; sleep 0.1; done
    [ -n "${number:-}" ] || fail "Xvfb did not start"
    export DISPLAY=:$number
}

window() { xdotool search --name '^velmora$' 2>/dev/null | head -n 1 || true; }
colours() { xwd -silent -id "$1" | xwdtopnm 2>/dev/null | ppmhist -noheader | awk '{print $1, $2, $3}'; }

# view DIR MIN COLOUR... -- COMMAND...: runs COMMAND in DIR with the environment as set, waits
# for its 1200x900 window to show each "R G B" COLOUR and at least MIN colours, types Escape,
# and expects status 0, no fatal line and nothing on standard output.
view() {
    local dir=$1 min=$2 want=() win= shot= status
    shift 2
    while [ "$1" != -- ]; do want+=("$1"); shift; done
    shift
    [ -z "$(window)" ] || fail "an earlier window is still there"
    (cd "$dir" && exec "$@") >"$tmp/out" 2>"$tmp/err" &
    pid=$!
    for _ in $(seq 150); do
        kill -0 $pid 2>/dev/null || { cat "$tmp/err" >&2; fail "$* ended before showing its picture"; }
        win=$(window)
        if [ -n "$win" ]; then
            shot=$(colours "$win") || shot=  # the window may just have gone
            local missing=0
            for c in "${want[@]}"; do grep -qx "$c" <<<"$shot" || missing=1; done
            [ $missing = 0 ] && [ "$(wc -l <<<"$shot")" -ge "$min" ] && break
        fi
        sleep 0.1
    done
    [ -n "$win" ] || fail "$*: no window in 15 s"
    for c in "${want[@]}"; do grep -qx "$c" <<<"$shot" || fail "$*: colour $c is not on screen"; done
    [ "$(wc -l <<<"$shot")" -ge "$min" ] || fail "$*: fewer than $min colours on screen"
    xdotool getwindowgeometry "$win" | grep -q 'Geometry: 1200x900' || fail "$*: not a 1200x900 window"
    xdotool key Escape
    for _ in $(seq 100); do kill -0 $pid 2>/dev/null || break; sleep 0.1; done
    ! kill -0 $pid 2>/dev/null || fail "$*: still running 10 s after Escape"
    status=0
    wait $pid || status=$?
    pid=
    [ $status = 0 ] || { cat "$tmp/err" >&2; fail "$*: exit status $status after Escape"; }
    ! grep -q fatal "$tmp/err" || fail "$*: $(cat "$tmp/err")"
    [ ! -s "$tmp/out" ] || fail "$*: wrote on standard output: $(cat "$tmp/out")"
    for _ in $(seq 100); do [ -n "$(window)" ] || break; sleep 0.1; done
}

checker=(3 "0 0 0" "34 34 178" "238 103 122")  # mode 6: black, blue and rose
textured=(100 "0 0 0")                         # modes 8 and 13: a shaded, textured picture on black

case $what in
prefix)
    # An install into a plain prefix, run through PATH from / with the checker preview.
    cmake --install "$build" --prefix "$tmp/prefix" >/dev/null
    start_x
    NOFS=1 MODE=6 PATH="$tmp/prefix/bin:$PATH" view / "${checker[@]}" -- velmora
    man -M "$tmp/prefix/share/man" -w 6 velmora >/dev/null || fail "man does not find the installed page"

    # A DESTDIR-staged install for /opt/velmora, moved elsewhere and called through a symbolic
    # link from a folder with no pictures: mode 8 reads one, so a wrong data path is fatal.
    # NOFS empty must still reach the program as set.
    DESTDIR="$tmp/stage" cmake --install "$build" --prefix /opt/velmora >/dev/null
    [ "$(ls "$tmp/stage")" = opt ] || fail "DESTDIR staging wrote outside opt/: $(ls "$tmp/stage")"
    mv "$tmp/stage/opt/velmora" "$tmp/moved"
    mkdir "$tmp/links" && ln -s "$tmp/moved/bin/velmora" "$tmp/links/velmora"
    NOFS= MODE=8 view "$tmp" "${textured[@]}" -- "$tmp/links/velmora" ignored arguments
    ;;
deb)
    # Packages the existing build outputs into a folder of our own. The Ninja generator name has
    # no pre-install step, so cpack does not run make in the shared build tree.
    cpack --config "$build/CPackConfig.cmake" -G DEB -B "$tmp/pkg" -D CPACK_CMAKE_GENERATOR=Ninja >"$tmp/log" 2>&1 ||
        fail "cpack: $(cat "$tmp/log")"
    deb=$(echo "$tmp"/pkg/velmora_*.deb)
    [ -f "$deb" ] || fail "no package: $(ls "$tmp/pkg")"
    expected=$(printf '%s\n' ./usr/bin/velmora ./usr/libexec/velmora/velmora ./usr/share/man/man6/velmora.6.gz \
        $(printf './usr/share/velmora/data/rescales/%s.ppm ' $pictures) | sort)
    actual=$(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ {print $6}' | sort)
    [ "$actual" = "$expected" ] || fail "package files differ:"$'\n'"$(diff <(echo "$expected") <(echo "$actual"))"
    [ "$(dpkg-deb -f "$deb" Section)" = games ] || fail "section is not games"
    [ -n "$(dpkg-deb -f "$deb" Maintainer)" ] || fail "no maintainer"
    depends=$(dpkg-deb -f "$deb" Depends)
    for lib in libc6 'libglu1' 'libglut' 'libgl1|libopengl0' 'libgl1|libglx0'; do
        grep -Eq "(^|, )($lib)" <<<"$depends" || fail "Depends lacks $lib: $depends"
    done

    # The extracted tree is the installed one, relocated: the chain (mode 13) reads five pictures.
    dpkg-deb -x "$deb" "$tmp/x"
    zcat "$tmp/x/usr/share/man/man6/velmora.6.gz" | cmp -s - "$source/man/velmora.6" || fail "packaged manual differs"
    for p in $pictures; do
        cmp -s "$tmp/x/usr/share/velmora/data/rescales/$p.ppm" "$source/data/rescales/$p.ppm" || fail "$p.ppm differs"
    done
    start_x
    NOFS=1 view "$tmp" "${textured[@]}" -- env -u MODE "$tmp/x/usr/bin/velmora"

    # Installed into an empty root and removed again, nothing of it stays.
    if [ "$(id -u)" = 0 ]; then
        root="$tmp/root"
        mkdir -p "$root/var/lib/dpkg/updates" "$root/var/lib/dpkg/info" "$root/var/log"
        touch "$root/var/lib/dpkg/status"
        dpkg --root="$root" --force-depends -i "$deb" >/dev/null 2>&1 || fail "dpkg -i failed"
        [ -x "$root/usr/bin/velmora" ] || fail "dpkg -i installed no command"
        dpkg --root="$root" -r velmora >/dev/null || fail "dpkg -r failed"
        [ "$(ls "$root")" = var ] || fail "dpkg -r left: $(cd "$root" && find . -path ./var -prune -o -print)"
    else
        echo "not root: dpkg install and removal not tried"
    fi
    ;;
manual)
    page="$source/man/velmora.6"
    groff -man -ww -z -t "$page" 2>"$tmp/groff"
    [ ! -s "$tmp/groff" ] || fail "groff: $(cat "$tmp/groff")"
    MANROFFSEQ='' MANWIDTH=80 man --warnings -l "$page" >"$tmp/text" 2>"$tmp/man"
    [ ! -s "$tmp/man" ] || fail "man: $(cat "$tmp/man")"
    [ "$(lexgrog "$page")" = "$page: \"velmora - interactive 3-D viewer of nested gimbal rings\"" ] ||
        fail "the NAME line is not indexable: $(lexgrog "$page")"
    # Each picture's header, as the manual gives it, is the one the shipped file has.
    for p in $pictures; do
        header=$(head -c 20 "$source/data/rescales/$p.ppm" | head -n 3 | tr '\n' '|')
        told=$(grep -A1 -x " *$p.ppm" "$tmp/text" | tail -n 1 | grep -o 'P6[^”]*' | sed 's/\\n/|/g')
        [ "$told" = "$header" ] || fail "$p.ppm: the manual says '$told', the file has '$header'"
    done
    ;;
*) fail "unknown check $what" ;;
esac
