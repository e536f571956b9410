#!/usr/bin/env bash
# velmora: makes an installable package of the current tree.
#   scripts/package.sh deb        the Debian package
#   scripts/package.sh windows    a zip for x86-64 Windows, cross-built
#   scripts/package.sh web        a zip of the page that runs it in a browser
# Each kind has its own script in scripts/package/; it installs what it is missing, builds, writes
# the package under build/packages/, and prints the package's path as its last line on standard output.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
case "${1:-}" in
    deb | windows | web) exec bash "$root/scripts/package/$1.sh" ;;
    *) echo "usage: scripts/package.sh deb|windows|web" >&2; exit 2 ;;
esac
