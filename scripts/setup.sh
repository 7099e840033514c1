# Shared by ./run-demo and ./run-tests: installs what is missing and builds the
# demo, the tools and the assets (into build/data).
set -euo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD="$ROOT/build"

PACKAGES=(build-essential cmake pkg-config freeglut3-dev libglu1-mesa-dev libgl1-mesa-dri
          libjpeg62-turbo-dev libopenmpt-dev libsdl2-dev libxrandr-dev libxss-dev libsystemd-dev
          libgtest-dev xvfb xauth xdotool x11-apps clang libclang-rt-14-dev
          libegl-dev libegl-mesa0 ffmpeg)
# The desktop tests: a real X server with a mode list under a window manager,
# a sound server, and the tools that look at them.
PACKAGES+=(xserver-xorg-core xserver-xorg-video-dummy openbox x11-utils x11-xserver-utils
           libxfixes-dev pulseaudio pulseaudio-utils)
# The Debian package: the icon is converted with ffmpeg, the dependencies
# computed by dpkg-shlibdeps (which needs file), the result checked by lintian.
PACKAGES+=(dpkg-dev file lintian)

install_missing() {
    local missing=()
    for package in "${PACKAGES[@]}" "$@"; do
        dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "ok installed" ||
            missing+=("$package")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing: ${missing[*]}"
    local sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends \
        "${missing[@]}" >/dev/null
}

build_all() {
    cmake -S "$ROOT" -B "$BUILD" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
    cmake --build "$BUILD" -j"$(nproc)"
}
