# Shared by ./run-web and ./run-tests, after scripts/setup.sh: installs what
# the web page needs and builds it into build-web/page from the assets of
# the desktop build (build/data).
WEB_BUILD="$ROOT/build-web"

build_web() {
    install_missing emscripten chromium nodejs
    # Some builds of nodejs carry npm themselves and conflict with Debian's.
    command -v npm >/dev/null || install_missing npm
    (cd "$ROOT/web" && npm ci --no-audit --no-fund --silent)
    # Debian's emcc finds its JavaScript modules (acorn) only there.
    export NODE_PATH=/usr/share/nodejs
    emcmake cmake -S "$ROOT" -B "$WEB_BUILD" -DCMAKE_BUILD_TYPE=Release \
        -DDEMO_DATA_DIR="$BUILD/data" >/dev/null
    cmake --build "$WEB_BUILD" -j"$(nproc)"
}
