# velmora: what the zips share: the version in their names, and the zip itself.
# Usage: source scripts/package/zip.sh; zip_folder STAGE NAME
version="$(sed -n 's/^project(velmora VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")"

# Zips STAGE/NAME, one folder, into build/packages/NAME.zip, removes STAGE and prints the zip's path.
zip_folder() {
    local stage="$1" name="$2"
    mkdir -p "$root/build/packages"
    local zip="$root/build/packages/$name.zip"
    rm -f "$zip"
    (cd "$stage" && cmake -E tar cf "$zip" --format=zip "$name")
    rm -rf "$stage"
    echo "$zip"
}
