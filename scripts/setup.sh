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

# How long the set-up waits for another program that holds the package
# manager. On a freshly installed system the daily upgrade takes it within the
# first hour and can keep it for ten minutes or more, fetching and installing
# a first round of updates; beyond a quarter of an hour a holder is more likely
# stuck than working, and the user is better told.
LOCK_WAIT_MINUTES=15
lock_wait_left=$((LOCK_WAIT_MINUTES * 60)) # seconds, for all the waits of a run
lock_wait_said=""

# The process that holds the lock file named, as "process 1234
# (unattended-upgr)", or nothing while it is free. /proc/locks shows anyone
# each lock's holder and inode, where the lock files, and a root process's
# open files, are root's alone.
lock_holder() {
    local inode pid fd
    inode=$(stat -c %i "$1" 2>/dev/null) || return 0
    for pid in $(awk -v inode="$inode" '$2 != "->" && $6 ~ (":" inode "$") { print $5 }' \
                     /proc/locks); do
        # A file of another file system can have the same inode number; the
        # holder's open files tell, where they are ours to look at.
        if [ -r "/proc/$pid/fd" ]; then
            for fd in "/proc/$pid/fd/"*; do
                [ "$fd" -ef "$1" ] && break
            done
            [ "$fd" -ef "$1" ] || continue
        fi
        if [ "$pid" -gt 0 ] && [ -r "/proc/$pid/comm" ]; then
            echo "process $pid ($(cat "/proc/$pid/comm" 2>/dev/null))"
        else
            echo "another process" # in another container, say
        fi
        return 0
    done
}

# The holder of the first of the lock files named that is held, if any.
first_lock_holder() {
    local file holder
    for file in "$@"; do
        holder=$(lock_holder "$file")
        [ -n "$holder" ] && echo "$holder" && return 0
    done
    return 0
}

# Says, the first time in a run, that the set-up waits for `holder`.
say_waiting() {
    [ -n "$1" ] && [ -z "$lock_wait_said" ] || return 0
    lock_wait_said=1
    echo "Waiting for the package manager, held by $1, for up to $LOCK_WAIT_MINUTES minutes..."
}

say_given_up() {
    echo "The package manager is still held by $1 after $LOCK_WAIT_MINUTES minutes;" \
        "run $0 again once it has finished." >&2
}

# Waits while another process holds one of the lock files named: those apt
# gives up on at once, whatever DPkg::Lock::Timeout says.
wait_for_locks() {
    local holder
    while holder=$(first_lock_holder "$@") && [ -n "$holder" ]; do
        say_waiting "$holder"
        if [ "$lock_wait_left" -le 0 ]; then
            say_given_up "$holder"
            return 1
        fi
        sleep 1
        lock_wait_left=$((lock_wait_left - 1))
    done
}

# Installs whatever of PACKAGES and of the packages named is missing. Another
# program holding the package manager, such as the daily upgrade, is waited
# for; nothing is waited for when nothing is missing.
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
    # The locks where apt's configuration puts them.
    local lists="" status="" archives=""
    eval "$(apt-config shell lists Dir::State::lists/d status Dir::State::status/f \
                             archives Dir::Cache::archives/d)"
    local admin
    admin=$(dirname "$status")
    # Each step's failure ends it: a caller's `||` would keep set -e from doing so.
    wait_for_locks "${lists}lock" || return 1
    $sudo apt-get update -qq || return 1
    wait_for_locks "${archives}lock" || return 1
    # dpkg's own locks apt waits for by itself, told how long is left; told
    # nothing, it would give up at once.
    say_waiting "$(first_lock_holder "$admin/lock-frontend" "$admin/lock")"
    if ! DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends \
        -o DPkg::Lock::Timeout="$lock_wait_left" "${missing[@]}" >/dev/null; then
        local holder
        holder=$(first_lock_holder "$admin/lock-frontend" "$admin/lock")
        [ -z "$holder" ] || say_given_up "$holder"
        return 1
    fi
}

# Builds everything; BUILD_TESTING=OFF leaves out the tests, which need
# GoogleTest. Extra arguments go to cmake.
build_all() {
    cmake -S "$ROOT" -B "$BUILD" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
    cmake --build "$BUILD" -j"$(nproc)"
}
