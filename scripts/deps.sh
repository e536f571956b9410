# velmora: installs the Debian packages a step needs when any of them is missing.
# Usage: source scripts/deps.sh; need_packages PACKAGE...

build_packages="cmake make g++ libglut-dev libglu1-mesa-dev libgl-dev libgl1-mesa-dri libglx-mesa0 libx11-dev libxrandr-dev
    zlib1g-dev"
run_packages="xvfb x11-apps xdotool netpbm"
# What the .deb is made with: dpkg-shlibdeps (dpkg-dev) and `file`, which CPack's generator calls.
package_packages="dpkg-dev file"
# Unversioned names only, so that one list holds on Debian 12 and 13; weston, xwayland and openbox are
# the desktop servers tests run under, Xorg with its dummy driver the one whose modes switch (read
# through libxxf86vm, put back by xrandr), and the package is judged by lintian, hardening-check
# (devscripts), desktop-file-validate (desktop-file-utils) and appstreamcli (appstream).
test_packages="libgtest-dev libgmock-dev xvfb x11-apps libx11-dev libxtst-dev netpbm xdotool valgrind man-db groff-base
    $package_packages clang libclang-rt-dev weston xwayland openbox
    xserver-xorg-core xserver-xorg-video-dummy x11-xserver-utils libxxf86vm-dev
    git lintian devscripts desktop-file-utils appstream"

# What the zips are written with (scripts/package/zip.sh), with no owner and no time but one recorded.
zip_packages="zip"

# The cross-build for Windows (scripts/package/windows.sh) and its tests under Wine.
windows_packages="cmake make g++-mingw-w64-x86-64-posix mingw-w64-x86-64-dev debian-archive-keyring"
wine_packages="wine wine64"

# The page (scripts/package/web.sh): emscripten brings node, which serves the page (scripts/run.sh web)
# and drives Debian's chromium through playwright-core from npm in its tests (label web), Firefox ESR
# through puppeteer-core, and WebKitGTK's MiniBrowser (in libwebkit2gtk-4.1-0) through WebKitWebDriver
# (webkit2gtk-driver), the same names on Debian 12 and 13; faketime stops the native viewer's clock.
web_packages="cmake make emscripten"
web_test_packages="nodejs chromium unzip faketime firefox-esr webkit2gtk-driver libwebkit2gtk-4.1-0"

# npm for the page's tests: Debian's, unless an npm command is there already (the nodejs of other
# distributors, such as NodeSource's, brings its own and conflicts with Debian's npm package).
need_npm() {
    command -v npm > /dev/null || need_packages npm
}

need_packages() {
    local missing=()
    for package in "$@"; do
        dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" ||
            missing+=("$package")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "installing: ${missing[*]}" >&2
    local sudo=""
    [ "$(id -u)" -eq 0 ] || sudo="sudo"
    $sudo apt-get update -qq &&
        DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >&2
}
