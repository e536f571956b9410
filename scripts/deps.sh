# velmora: installs the Debian packages a step needs when any of them is missing.
# Usage: source scripts/deps.sh; need_packages PACKAGE...

build_packages="cmake make g++ libglut-dev libglu1-mesa-dev libgl-dev libgl1-mesa-dri libglx-mesa0 libx11-dev libxrandr-dev"
run_packages="xvfb x11-apps xdotool netpbm"
# Unversioned names only, so that one list holds on Debian 12 and 13; `file` is what CPack's
# .deb generator calls, weston, xwayland and openbox are the desktop servers tests run under,
# and Xorg with its dummy driver the one whose modes switch (read through libxxf86vm, put
# back by xrandr).
test_packages="libgtest-dev libgmock-dev xvfb x11-apps libx11-dev libxtst-dev netpbm xdotool valgrind man-db groff-base
    dpkg-dev file clang libclang-rt-dev weston xwayland openbox
    xserver-xorg-core xserver-xorg-video-dummy x11-xserver-utils libxxf86vm-dev"

# The cross-build for Windows (scripts/package/windows.sh) and its tests under Wine.
windows_packages="cmake make g++-mingw-w64-x86-64-posix mingw-w64-x86-64-dev debian-archive-keyring"
wine_packages="wine wine64"

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
