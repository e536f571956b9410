#!/usr/bin/env bash
# velmora: the Windows zip holds exactly its files, and its program needs no DLL but Windows' own.
set -euo pipefail
zip="$1"
folder="$(basename "$zip" .zip)"
listing="$(cmake -E tar tf "$zip" | sort)"
expected="$(printf '%s\n' README.txt licences/freeglut.txt licences/mingw-w64.txt velmora.exe \
    data/rescales/{ntux,path,pgac,pipe,pond,xeb2}.ppm | sed "s|^|$folder/|" | sort)"
# cmake lists the folders too; only files count.
listing="$(grep -v '/$' <<< "$listing" || true)"
if [ "$listing" != "$expected" ]; then
    diff <(echo "$expected") <(echo "$listing") >&2 || true
    echo "the zip's files are not the expected ones" >&2
    exit 1
fi

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
(cd "$work" && cmake -E tar xf "$zip")
# The system's own DLLs; the C runtime (msvcrt) comes with every Windows.
imports="$(x86_64-w64-mingw32-objdump -p "$work/$folder/velmora.exe" | sed -n 's/^\tDLL Name: //p' |
    tr '[:upper:]' '[:lower:]' | sort)"
allowed="advapi32.dll gdi32.dll glu32.dll kernel32.dll msvcrt.dll opengl32.dll user32.dll winmm.dll"
for dll in $imports; do
    if [[ " $allowed " != *" $dll "* ]]; then
        echo "velmora.exe needs $dll, which Windows does not have" >&2
        exit 1
    fi
done
# Text files carry Windows line ends on every line.
for text in README.txt licences/freeglut.txt; do
    if grep -q -v $'\r$' "$work/$folder/$text"; then
        echo "$text has lines without CR LF" >&2
        exit 1
    fi
done
# The README names the folder the zip unpacks to.
grep -q -F "cd $folder"$'\r' "$work/$folder/README.txt" || { echo "README.txt names another folder" >&2; exit 1; }
for picture in "$(dirname "$0")"/../../data/rescales/*.ppm; do
    cmp -s "$picture" "$work/$folder/data/rescales/$(basename "$picture")" ||
        { echo "data/rescales/$(basename "$picture") differs from the project's" >&2; exit 1; }
done
echo "ok: $(wc -l <<< "$listing") files, imports: $(echo $imports)"
