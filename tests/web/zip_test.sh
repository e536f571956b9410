#!/usr/bin/env bash
# velmora: the page's zip, made twice from the last commit, must be the same byte for byte.
# Usage: zip_test.sh SOURCE_DIR    (exits 77, skipped, outside a git checkout)
source "$1/tests/twice.sh" "$1"
package_twice web "zipinfo -v" > /dev/null
