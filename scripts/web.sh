# Shared by ./run-web and ./run-tests, after scripts/setup.sh: installs what
# the web page needs and builds it into build-web/page from the assets of
# the desktop build (build/data).
WEB_BUILD="$ROOT/build-web"

build_web() {
    # The browsers the page is tested in, and the private desktop the tests
    # give them: an X server under a window manager and a sound server.
    install_missing emscripten chromium firefox-esr nodejs xvfb openbox pulseaudio pulseaudio-utils x11-utils
    # Some builds of nodejs carry npm themselves and conflict with Debian's.
    command -v npm >/dev/null || install_missing npm
    # puppeteer-core drives Debian's browsers and fetches none.
    (cd "$ROOT/web" && PUPPETEER_SKIP_DOWNLOAD=1 npm ci --no-audit --no-fund --silent)
    # Debian's emcc finds its JavaScript modules (acorn) only there.
    export NODE_PATH=/usr/share/nodejs
    emcmake cmake -S "$ROOT" -B "$WEB_BUILD" -DCMAKE_BUILD_TYPE=Release \
        -DDEMO_DATA_DIR="$BUILD/data" >/dev/null
    cmake --build "$WEB_BUILD" -j"$(nproc)"
}
