# Shared by the scripts that make the Windows build, after scripts/setup.sh:
# builds the libraries the demo links on Windows (libjpeg-turbo, freeglut,
# SDL2, libopenmpt) from Debian's own source packages, Debian's patches
# applied, cross-compiled by mingw-w64 into static archives under
# build-windows/libs/prefix. Each is built once: a stamp keeps the Debian
# version installed, and only a library whose stamp is missing or stale is
# built again.
WINDOWS_BUILD="$ROOT/build-windows"
WINDOWS_LIBS="$WINDOWS_BUILD/libs/prefix"
WINDOWS_TOOLCHAIN="$ROOT/platform/windows/toolchain.cmake"

# What the cross-build needs: the compilers, nasm for libjpeg-turbo's SIMD
# code, dpkg-source to unpack the source packages, zip for the archive the
# Windows build hands out.
WINDOWS_PACKAGES=(mingw-w64 nasm zip dpkg-dev cmake make pkg-config)

# The source packages, in the order they are built, and how long each takes
# on two cores.
WINDOWS_LIBRARIES=(libjpeg-turbo freeglut libsdl2 libopenmpt)
declare -gA WINDOWS_LIBRARY_TIME=([libjpeg-turbo]="half a minute" [freeglut]="half a minute"
                                  [libsdl2]="a minute" [libopenmpt]="3 minutes")

# apt-get or apt-cache with a configuration of the build's own: the deb-src
# lines the system's sources lack, and lists and caches under build-windows,
# so that nothing of the system's apt changes.
windows_apt() {
    local tool="$1"
    shift
    local apt_dir="$WINDOWS_BUILD/libs/apt"
    # As root apt downloads as the user _apt, who may not write into the tree.
    "$tool" -o Dir::Etc::SourceList="$apt_dir/sources.list" -o Dir::Etc::SourceParts=/dev/null \
        -o Dir::State::Lists="$apt_dir/lists" -o Dir::Cache="$apt_dir/cache" \
        -o APT::Sandbox::User="$(id -un)" "$@"
}

# Runs a command with its output appended to a log; when it fails, says so
# with the end of the log.
windows_run() {
    local log="$1"
    shift
    echo "+ $*" >>"$log"
    if ! "$@" >>"$log" 2>&1; then
        echo "Failed: $*" >&2
        echo "The end of ${log#"$ROOT"/}:" >&2
        tail -n 25 "$log" >&2
        return 1
    fi
}

# Fetches Debian's lists of source packages for bookworm, from the mirrors of
# Debian's default sources. When there is no network, the lists of an earlier
# run are good enough for finding the versions already built.
windows_apt_update() {
    local apt_dir="$WINDOWS_BUILD/libs/apt"
    local log="$WINDOWS_BUILD/libs/logs/apt-update.log"
    mkdir -p "$apt_dir/lists/partial" "$apt_dir/cache/archives/partial" "${log%/*}"
    local keyring=/usr/share/keyrings/debian-archive-keyring.gpg
    cat >"$apt_dir/sources.list" <<EOF
deb-src [signed-by=$keyring] http://deb.debian.org/debian bookworm main
deb-src [signed-by=$keyring] http://deb.debian.org/debian bookworm-updates main
deb-src [signed-by=$keyring] http://deb.debian.org/debian-security bookworm-security main
EOF
    : >"$log"
    if ! windows_apt apt-get -qq -o Acquire::Retries=1 -o Acquire::http::Timeout=20 --error-on=any update \
            >>"$log" 2>&1; then
        if compgen -G "$apt_dir/lists/*_Sources*" >/dev/null; then
            echo "Could not update the lists of Debian's source packages; using those of before." >&2
        else
            echo "Could not fetch the lists of Debian's source packages; the end of" \
                 "${log#"$ROOT"/}:" >&2
            tail -n 25 "$log" >&2
            return 1
        fi
    fi
}

# Prints the newest version of a source package in the lists.
windows_source_version() {
    local best="" version
    for version in $(windows_apt apt-cache showsrc --only-source "$1" 2>/dev/null |
                     sed -n 's/^Version: //p'); do
        if [ -z "$best" ] || dpkg --compare-versions "$version" gt "$best"; then
            best="$version"
        fi
    done
    [ -n "$best" ] || { echo "No source package $1 in Debian's lists." >&2; return 1; }
    echo "$best"
}

# The builds, each run in the library's unpacked source (the current
# directory) with its log and build directory.
windows_cmake_build() {
    local log="$1" build="$2"
    shift 2
    windows_run "$log" cmake -S . -B "$build" -G "Unix Makefiles" \
        -DCMAKE_TOOLCHAIN_FILE="$WINDOWS_TOOLCHAIN" -DWINDOWS_LIBS_PREFIX="$WINDOWS_LIBS" \
        -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$WINDOWS_LIBS" "$@" || return
    windows_run "$log" cmake --build "$build" -j"$(nproc)" || return
    windows_run "$log" cmake --install "$build"
}

# The jpeg62 interface, as Linux's libjpeg62-turbo has it; REQUIRE_SIMD makes
# a missing nasm an error rather than a slow library. Its command-line tools
# come along and cannot be left out.
windows_build_libjpeg-turbo() {
    windows_cmake_build "$1" "$2" -DENABLE_SHARED=OFF -DENABLE_STATIC=ON -DWITH_TURBOJPEG=OFF \
        -DWITH_SIMD=ON -DREQUIRE_SIMD=ON -DWITH_JPEG7=OFF -DWITH_JPEG8=OFF
}

# As GLUT (GL/glut.h, libglut.a, glut.pc), so the demo includes and links it
# as on Linux; being static its users define FREEGLUT_STATIC (glut.pc says so).
windows_build_freeglut() {
    windows_cmake_build "$1" "$2" -DFREEGLUT_BUILD_SHARED_LIBS=OFF \
        -DFREEGLUT_BUILD_STATIC_LIBS=ON -DFREEGLUT_REPLACE_GLUT=ON -DFREEGLUT_BUILD_DEMOS=OFF \
        -DFREEGLUT_GLES=OFF
}

# The demo wants SDL's sound output only: the subsystems it does not use stay
# out, and so do SDL2main (the demo has its own main) and the tests. Audio
# keeps its threads, timers, events (device hot-plug), files (the disk
# driver), CPU features (conversions) and loadso (WASAPI and DirectSound load
# their DLLs); SDL_DIRECTX only looks for dsound.h, which DirectSound needs.
# Video stays, bare: SDL's table of functions for replacing it at run time
# names the Windows video driver's, and without them nothing links.
windows_build_libsdl2() {
    windows_cmake_build "$1" "$2" -DSDL_SHARED=OFF -DSDL_STATIC=ON -DSDL_TEST=OFF \
        -DSDL2_DISABLE_SDL2MAIN=ON -DSDL2_DISABLE_UNINSTALL=ON -DSDL_CCACHE=OFF \
        -DSDL_VIDEO=ON -DSDL_RENDER=OFF -DSDL_JOYSTICK=OFF -DSDL_HAPTIC=OFF -DSDL_HIDAPI=OFF \
        -DSDL_SENSOR=OFF -DSDL_POWER=OFF -DSDL_LOCALE=OFF -DSDL_MISC=OFF -DSDL_FILESYSTEM=OFF \
        -DSDL_OPENGL=OFF -DSDL_OPENGLES=OFF -DSDL_VULKAN=OFF -DSDL_RENDER_D3D=OFF \
        -DSDL_XINPUT=OFF -DSDL_DUMMYVIDEO=OFF -DSDL_OFFSCREEN=OFF \
        -DSDL_AUDIO=ON -DSDL_DIRECTX=ON -DSDL_WASAPI=ON -DSDL_DISKAUDIO=ON -DSDL_DUMMYAUDIO=ON
}

# Debian's orig tarball is upstream's autotools release, configure included.
# Only the library, with none of the optional codecs and players, and without
# -g, which would make the archive twenty times bigger.
windows_build_libopenmpt() {
    local log="$1" build="$2" source="$PWD"
    mkdir -p "$build"
    (cd "$build" &&
        windows_run "$log" "$source/configure" --host=x86_64-w64-mingw32 \
            --prefix="$WINDOWS_LIBS" --disable-shared --enable-static \
            --disable-dependency-tracking --disable-openmpt123 --disable-examples \
            --disable-tests --disable-doxygen-doc --without-zlib --without-mpg123 \
            --without-ogg --without-vorbis --without-vorbisfile --without-pulseaudio \
            --without-portaudio --without-portaudiocpp --without-sdl2 --without-sndfile \
            --without-flac CC=x86_64-w64-mingw32-gcc-posix CXX=x86_64-w64-mingw32-g++-posix \
            CFLAGS=-O2 CXXFLAGS=-O2 PKG_CONFIG=pkg-config \
            PKG_CONFIG_LIBDIR="$WINDOWS_LIBS/lib/pkgconfig" &&
        windows_run "$log" make -j"$(nproc)" &&
        windows_run "$log" make install)
}

# Fetches, unpacks and builds one source package at a version, then stamps it.
windows_build_library() {
    local name="$1" version="$2" stamp="$3"
    local libs="$WINDOWS_BUILD/libs"
    local log="$libs/logs/$name.log" source="$libs/src/$name" build="$libs/build/$name"
    echo "Building $name $version for Windows (about ${WINDOWS_LIBRARY_TIME[$name]})..."
    mkdir -p "$libs/src" "$libs/logs" "$WINDOWS_LIBS/.stamps"
    rm -f "$stamp"
    rm -rf "$source" "$build"
    : >"$log"
    (cd "$libs/src" && windows_run "$log" windows_apt apt-get -q source --download-only \
        "$name=$version") || return
    # dpkg-source checks the files against the .dsc, which apt checked against
    # Debian's signed lists.
    windows_run "$log" dpkg-source -x "$libs/src/${name}_${version#*:}.dsc" "$source" || return
    # The host's compiler flags are no business of the cross-compilers.
    (cd "$source" && unset CFLAGS CXXFLAGS CPPFLAGS LDFLAGS &&
        "windows_build_$name" "$log" "$build") || return
    rm -rf "$source" "$build"
    windows_stamp "$name" "$version" >"$stamp"
}

# What a stamp holds: the version, and a digest of the recipe, so that a
# change of the build's options builds the library again.
windows_stamp() {
    local recipe
    recipe="$(declare -f "windows_build_$1")"
    [[ $recipe == *windows_cmake_build* ]] && recipe+="$(declare -f windows_cmake_build)"
    echo "$2 $(sha256sum <<<"$recipe" | cut -c1-16)"
}

# Builds what is missing or stale of the static Windows libraries into
# WINDOWS_LIBS.
build_windows_libs() {
    install_missing "${WINDOWS_PACKAGES[@]}"
    windows_apt_update || return
    local name version stamp
    for name in "${WINDOWS_LIBRARIES[@]}"; do
        version="$(windows_source_version "$name")" || return
        stamp="$WINDOWS_LIBS/.stamps/$name"
        [ "$(cat "$stamp" 2>/dev/null)" = "$(windows_stamp "$name" "$version")" ] && continue
        windows_build_library "$name" "$version" "$stamp" || {
            echo "Building $name for Windows failed." >&2
            return 1
        }
    done
}

# Cross-builds the demo into WINDOWS_BUILD with the assets of the desktop
# build (build/data) and writes the zip; extra arguments go to cmake.
build_windows() {
    build_windows_libs
    cmake -S "$ROOT" -B "$WINDOWS_BUILD" -DCMAKE_TOOLCHAIN_FILE="$WINDOWS_TOOLCHAIN" \
        -DWINDOWS_LIBS_PREFIX="$WINDOWS_LIBS" -DCMAKE_BUILD_TYPE=Release \
        -DDEMO_DATA_DIR="$BUILD/data" "$@" >/dev/null
    cmake --build "$WINDOWS_BUILD" -j"$(nproc)"
}
