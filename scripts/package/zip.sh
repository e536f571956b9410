# velmora: what the zips share: the version in their names, and the zip itself.
# Usage: source scripts/package/zip.sh; zip_folder STAGE NAME
version="$(sed -n 's/^project(velmora VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")"

# Zips STAGE/NAME, one folder, into build/packages/NAME.zip, removes STAGE and prints the zip's path.
# The same files give the same bytes wherever and whenever they are zipped: every entry carries the
# time of the last commit (SOURCE_DATE_EPOCH when it is set, as for the .deb; the newest changelog
# entry's outside a git checkout), files are 0644 and folders 0755, entries come in byte order, and
# zip -X records no owner and no time beyond the one.
zip_folder() {
    local stage="$1" name="$2"
    need_packages $zip_packages
    local epoch="${SOURCE_DATE_EPOCH:-}"
    [ -n "$epoch" ] || epoch=$(git -C "$root" log -1 --format=%ct 2>/dev/null) ||
        epoch=$(date -d "$(sed -n 's/^ -- .*>  //p' "$root/packaging/changelog" | head -n 1)" +%s)
    mkdir -p "$root/build/packages"
    local zip="$root/build/packages/$name.zip"
    rm -f "$zip"
    find "$stage/$name" -type d -exec chmod 0755 {} + -o -type f -exec chmod 0644 {} +
    find "$stage/$name" -exec touch -h -d "@$epoch" {} +
    # A zip's times are the local time of the day without a zone: UTC, so that they read the same
    # everywhere.
    (cd "$stage" && find "$name" | LC_ALL=C sort | TZ=UTC zip -X -q "$zip" -@)
    rm -rf "$stage"
    echo "$zip"
}
