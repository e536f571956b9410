#!/usr/bin/env bash
# velmora: the Wine prefix that the Windows tests share.
#   prefix.sh make DIR     a fresh prefix in DIR, fully set up, so that later starts are quick
#   prefix.sh remove DIR   stops its wineserver (and every Windows process left in it), removes DIR
set -euo pipefail
export WINEPREFIX="$2" WINEDEBUG=-all
case "$1" in
make)
    rm -rf "$WINEPREFIX"
    # Setting up a prefix opens windows of its own: give it a server of its own.
    exec 3< <(exec Xvfb -displayfd 1 -noreset -screen 0 640x480x24 -nolisten tcp 2>/dev/null)
    xvfb=$!
    trap 'kill $xvfb 2>/dev/null' EXIT
    read -r -t 30 number <&3
    DISPLAY=":$number" wineboot --init
    # wineboot returns before the prefix's services are done with it; wait for them to finish.
    wineserver --wait
    ;;
remove)
    wineserver --kill || true
    rm -rf "$WINEPREFIX"
    ;;
*)
    echo "usage: prefix.sh make|remove DIR" >&2
    exit 2
    ;;
esac
