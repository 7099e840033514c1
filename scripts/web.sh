# Shared by ./run-web and ./run-tests, after scripts/setup.sh: installs what
# the web page needs and builds it into build-web/page from the assets of
# the desktop build (build/data).
WEB_BUILD="$ROOT/build-web"

# What the page's tests add, for ./run-tests only: the browsers the page is
# tested in, and the private desktop the tests give them (an X server under a
# window manager, and a sound server).
WEB_TEST_PACKAGES=(chromium firefox-esr xvfb openbox pulseaudio pulseaudio-utils x11-utils)

# Builds the page; "tests" also installs what its tests need, puppeteer-core
# among them, which drives Debian's browsers and fetches none.
build_web() {
    local npm_scope=(--omit=dev)
    if [ "${1:-}" = tests ]; then
        install_missing "${WEB_TEST_PACKAGES[@]}"
        npm_scope=()
    fi
    install_missing emscripten nodejs
    # Some builds of nodejs carry npm themselves and conflict with Debian's.
    command -v npm >/dev/null || install_missing npm
    (cd "$ROOT/web" &&
        PUPPETEER_SKIP_DOWNLOAD=1 npm ci "${npm_scope[@]}" --no-audit --no-fund --silent)
    # Debian's emcc finds its JavaScript modules (acorn) only there.
    export NODE_PATH=/usr/share/nodejs
    emcmake cmake -S "$ROOT" -B "$WEB_BUILD" -DCMAKE_BUILD_TYPE=Release \
        -DDEMO_DATA_DIR="$BUILD/data" >/dev/null
    cmake --build "$WEB_BUILD" -j"$(nproc)"
}
