# Test bed for Windows programs: a Wine prefix of the build's own, an Xvfb
# display for message boxes, and a persistent wineserver so that each program
# starts quickly. Sourced by ./run and by the CTest emulator (wine-run).
#
# Wine runs 32-bit programs only where the kernel can execute 32-bit Linux
# programs. Where it cannot, the tests run the same sources built for x86_64
# under wine64 (VEL_TEST_ARCH=64); the 32-bit deliverables are still built and
# checked for their imports and exports.

testbed_arch() {
    if [ -z "${VEL_TEST_ARCH:-}" ]; then
        if [ -x /usr/lib/wine/wine ] && /usr/lib/wine/wine --version >/dev/null 2>&1; then
            VEL_TEST_ARCH=32
        else
            VEL_TEST_ARCH=64
        fi
    fi
    export VEL_TEST_ARCH
}

testbed_env() {
    testbed_arch
    : "${VEL_BUILD:=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)/build}"
    export VEL_BUILD
    if [ "$VEL_TEST_ARCH" = 32 ]; then
        export VEL_WINE=/usr/lib/wine/wine WINEARCH=win32
    else
        export VEL_WINE=/usr/lib/wine/wine64 WINEARCH=win64
    fi
    export WINEPREFIX=${VEL_WINEPREFIX:-$VEL_BUILD/wineprefix$VEL_TEST_ARCH}
    export WINEDEBUG=${WINEDEBUG:--all}
    # No Mono or Gecko installers: the test programs need neither.
    export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
    export VEL_WINESERVER
    VEL_WINESERVER=$(dirname "$VEL_WINE")/wineserver
}

testbed_prefix() {
    [ -f "$WINEPREFIX/system.reg" ] && [ -f "$WINEPREFIX/.vel-ready" ] && return 0
    mkdir -p "$VEL_BUILD"
    (
        flock 9
        if [ ! -f "$WINEPREFIX/.vel-ready" ]; then
            "$VEL_WINE" wineboot -i >/dev/null 2>&1 || true
            "$VEL_WINESERVER" -w
            touch "$WINEPREFIX/.vel-ready"
        fi
    ) 9>"$VEL_BUILD/.wineprefix.lock"
}

testbed_start() {
    testbed_env
    testbed_prefix
    if [ -z "${VEL_KEEP_DISPLAY:-}" ]; then
        local fifo
        fifo=$(mktemp -u)
        mkfifo "$fifo"
        Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$fifo" >/dev/null 2>&1 &
        VEL_XVFB_PID=$!
        local display
        read -r display <"$fifo"
        rm -f "$fifo"
        export DISPLAY=":$display" VEL_XVFB_PID
    fi
    # Persistent until testbed_stop: programs do not pay for a server start each.
    "$VEL_WINESERVER" -p >/dev/null 2>&1 || true
    # Start Wine's own services now, away from any caller's output pipes: a
    # service started by the first test program would hold CTest's pipe open.
    "$VEL_WINE" cmd /c exit </dev/null >/dev/null 2>&1 || true
}

testbed_stop() {
    "$VEL_WINESERVER" -k >/dev/null 2>&1 || true
    if [ -n "${VEL_XVFB_PID:-}" ]; then
        kill "$VEL_XVFB_PID" 2>/dev/null || true
    fi
}
