# Shared by ./run-demo and ./run-tests: installs what is missing and builds the
# demo, the tools and the assets (into build/data).
set -euo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD="$ROOT/build"

# What building and playing need, and all that ./run-demo installs: the
# compilers, the libraries the demo links, Mesa's drivers, EGL for the
# capture program and ffmpeg for the menu icon the build makes. The sound
# goes to whatever server the desktop runs, through SDL.
PACKAGES=(build-essential cmake pkg-config freeglut3-dev libglu1-mesa-dev libgl1-mesa-dri
          libjpeg62-turbo-dev libopenmpt-dev libsdl2-dev libxrandr-dev libxinerama-dev
          libxss-dev libsystemd-dev libegl-dev libegl-mesa0 ffmpeg)

# What the tests add, for ./run-tests only: GoogleTest, a virtual display and
# the tools that drive and photograph it, clang for the fuzz targets.
TEST_PACKAGES=(libgtest-dev libxfixes-dev xvfb xauth xdotool x11-apps clang libclang-rt-14-dev)
# A real desktop for the desktop tests: an X server with a mode list under a
# window manager, the two sound servers of Linux desktops (a PulseAudio daemon,
# and a PipeWire session with its session manager and PulseAudio service under
# a bus of its own), and the tools that look at them.
TEST_PACKAGES+=(xserver-xorg-core xserver-xorg-video-dummy openbox x11-utils x11-xserver-utils
                pulseaudio pulseaudio-utils pipewire pipewire-bin wireplumber pipewire-pulse
                dbus-daemon)
# The Debian package: its dependencies computed by dpkg-shlibdeps (which needs
# file), the result checked by lintian.
TEST_PACKAGES+=(dpkg-dev file lintian)
# The Windows build's tests run it under Wine (scripts/windows.sh installs
# what builds it).
TEST_PACKAGES+=(wine wine64)

# Installs whatever of PACKAGES and of the packages named is missing.
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

# Builds everything; BUILD_TESTING=OFF leaves out the tests, which need
# GoogleTest. Extra arguments go to cmake.
build_all() {
    cmake -S "$ROOT" -B "$BUILD" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
    cmake --build "$BUILD" -j"$(nproc)"
}
