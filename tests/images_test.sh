#!/usr/bin/env bash
# velmora tests: the committed pictures are exactly what the generator makes,
# and netpbm reads each with the size and depth the loader expects.
set -euo pipefail
mkimages="$1"
data="$2/data/rescales"
out="$(mktemp -d)"
trap 'rm -rf "$out"' EXIT
"$mkimages" "$out"
status=0
while read -r name size maxval; do
    if ! cmp -s "$out/$name.ppm" "$data/$name.ppm"; then
        echo "FAIL $name.ppm differs from what tools/mkimages makes"; status=1
    fi
    described="$(pnmfile "$data/$name.ppm")"
    if [[ "$described" != *"PPM raw, $size by $size  maxval $maxval"* ]]; then
        echo "FAIL $name.ppm: $described"; status=1
    fi
done <<'TABLE'
pond 256 65535
xeb2 512 255
ntux 512 255
pipe 512 65535
path 256 65535
pgac 512 255
TABLE
exit $status
