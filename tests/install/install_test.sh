#!/usr/bin/env bash
# velmora: checks of what `cmake --install` and the .deb put on a machine, of the start from the
# desktop's menu, and of the manual page.
# Usage: install_test.sh prefix|deb|menu|manual BUILD_DIR SOURCE_DIR
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

# alpha PAM X Y: the opacity of one pixel of an RGBA picture, 0 to 255.
alpha() { pamcut -left "$2" -top "$3" -width 1 -height 1 "$1" | tail -c 1 | od -An -tu1 | tr -d ' '; }
window() { xdotool search --name '^velmora$' 2>/dev/null | head -n 1 || true; }
colours() { xwd -silent -id "$1" | xwdtopnm 2>/dev/null | ppmhist -noheader | awk '{print $1, $2, $3}'; }

# view DIR MIN COLOUR... -- COMMAND...: runs COMMAND in DIR with the environment as set, waits
# for its window (of $size) to show each "R G B" COLOUR and at least MIN colours, types Escape,
# and expects status 0, no fatal line and nothing on standard output.
size=1200x900
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
    xdotool getwindowgeometry "$win" | grep -q "Geometry: $size" || fail "$*: not a $size window"
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
icon_sizes="128x128 16x16 24x24 256x256 32x32 48x48 64x64"
app=$(sed -n 's/^VELMORA_APP_ID:STRING=//p' "$build/CMakeCache.txt")
textured=(100 "0 0 0")                         # modes 8 and 13: a shaded, textured picture on black

case $what in
prefix)
    # An install into a plain prefix, run through PATH from / with the checker preview.
    cmake --install "$build" --prefix "$tmp/prefix" >/dev/null
    start_x
    NOFS=1 MODE=6 PATH="$tmp/prefix/games:$PATH" view / "${checker[@]}" -- velmora
    man -M "$tmp/prefix/share/man" -w 6 velmora >/dev/null || fail "man does not find the installed page"
    # Each icon is a PNG as large as its folder says, transparent in the corner, opaque in the middle.
    icons=$(cd "$tmp/prefix/share/icons/hicolor" && echo */apps/velmora.png)
    [ "$icons" = "$(printf '%s/apps/velmora.png ' $icon_sizes | sed 's/ $//')" ] || fail "icons: $icons"
    for icon in $icons; do
        n=${icon%%x*}
        pngtopam -alphapam "$tmp/prefix/share/icons/hicolor/$icon" >"$tmp/icon.pam" || fail "$icon is no PNG"
        pamfile "$tmp/icon.pam" | grep -q " $n by $n " || fail "$icon: $(pamfile "$tmp/icon.pam")"
        [ "$(alpha "$tmp/icon.pam" 0 0)" = 0 ] && [ "$(alpha "$tmp/icon.pam" $((n / 2)) $((n / 2)))" = 255 ] ||
            fail "$icon: not clear in the corner or not opaque in the middle"
    done

    # A DESTDIR-staged install for /opt/velmora, moved elsewhere and called through a symbolic
    # link from a folder with no pictures: mode 8 reads one, so a wrong data path is fatal.
    # NOFS empty must still reach the program as set.
    DESTDIR="$tmp/stage" cmake --install "$build" --prefix /opt/velmora >/dev/null
    [ "$(ls "$tmp/stage")" = opt ] || fail "DESTDIR staging wrote outside opt/: $(ls "$tmp/stage")"
    mv "$tmp/stage/opt/velmora" "$tmp/moved"
    mkdir "$tmp/links" && ln -s "$tmp/moved/games/velmora" "$tmp/links/velmora"
    NOFS= MODE=8 view "$tmp" "${textured[@]}" -- "$tmp/links/velmora" ignored arguments
    ;;
deb)
    # Packages the existing build outputs into a folder of our own. The Ninja generator name has
    # no pre-install step, so cpack does not run make in the shared build tree.
    cpack --config "$build/CPackConfig.cmake" -G DEB -B "$tmp/pkg" -D CPACK_CMAKE_GENERATOR=Ninja >"$tmp/log" 2>&1 ||
        fail "cpack: $(cat "$tmp/log")"
    deb=$(echo "$tmp"/pkg/velmora_*.deb)
    [ -f "$deb" ] || fail "no package: $(ls "$tmp/pkg")"
    expected=$(printf '%s\n' ./usr/games/velmora ./usr/libexec/velmora/velmora ./usr/share/man/man6/velmora.6.gz \
        ./usr/share/doc/velmora/copyright ./usr/share/doc/velmora/changelog.gz \
        ./usr/share/applications/$app.desktop ./usr/share/metainfo/$app.metainfo.xml \
        $(printf './usr/share/icons/hicolor/%s/apps/velmora.png ' $icon_sizes) \
        $(printf './usr/share/games/velmora/data/rescales/%s.ppm ' $pictures) | sort)
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
    zcat "$tmp/x/usr/share/doc/velmora/changelog.gz" | cmp -s - "$source/packaging/changelog" || fail "changelog differs"
    grep -qx "Exec=/usr/games/velmora" "$tmp/x/usr/share/applications/$app.desktop" || fail "menu entry's Exec"
    for p in $pictures; do
        cmp -s "$tmp/x/usr/share/games/velmora/data/rescales/$p.ppm" "$source/data/rescales/$p.ppm" || fail "$p.ppm differs"
    done
    start_x
    NOFS=1 view "$tmp" "${textured[@]}" -- env -u MODE "$tmp/x/usr/games/velmora"

    # Installed into an empty root and removed again, nothing of it stays.
    if [ "$(id -u)" = 0 ]; then
        root="$tmp/root"
        mkdir -p "$root/var/lib/dpkg/updates" "$root/var/lib/dpkg/info" "$root/var/log"
        touch "$root/var/lib/dpkg/status"
        dpkg --root="$root" --force-depends -i "$deb" >/dev/null 2>&1 || fail "dpkg -i failed"
        [ -x "$root/usr/games/velmora" ] || fail "dpkg -i installed no command"
        dpkg --root="$root" -r velmora >/dev/null || fail "dpkg -r failed"
        [ "$(ls "$root")" = var ] || fail "dpkg -r left: $(cd "$root" && find . -path ./var -prune -o -print)"
    else
        echo "not root: dpkg install and removal not tried"
    fi
    ;;
menu)
    # The menu's way in: the installed entry's Exec line, run from the home folder with nothing in
    # the environment but DISPLAY. The prefix has a blank in it, which the entry must quote.
    prefix="$tmp/my games"
    cmake --install "$build" --prefix "$prefix" >/dev/null
    entry="$prefix/share/applications/$app.desktop"
    desktop-file-validate "$entry" || fail "desktop-file-validate"
    line=$(sed -n 's/^Exec=//p' "$entry")
    # The value's own escapes first (\\ is one backslash), then the command line's quoting, as a shell's.
    eval "set -- ${line//\\\\/\\}"
    [ $# = 1 ] && [ "$1" = "$prefix/games/velmora" ] || fail "Exec=$line"
    mkdir "$tmp/home"
    start_x
    # (The sanitizer build's own options, when the tests set them, are not the desktop's; they stay.)
    size=1400x1100 view "$tmp/home" "${textured[@]}" -- \
        env -i DISPLAY="$DISPLAY" ${ASAN_OPTIONS+ASAN_OPTIONS="$ASAN_OPTIONS"} "$1"
    # Full screen and the chain: game mode asked for (Xvfb cannot switch), every picture found.
    [ "$(head -n 1 "$tmp/err")" = "mode string '1400x1100:32@75'" ] || fail "first line: $(head -n 1 "$tmp/err")"
    grep -qx "game mode is not available; using a full-screen window" "$tmp/err" || fail "$(cat "$tmp/err")"
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
