# Sourced: a throwaway Wine prefix, a virtual display and a persistent
# wineserver for one run of tests or of the demo. session_stop undoes it all.

session_start() { # <folder for the prefix>
    local prefix="$1"
    rm -rf "$prefix"
    mkdir -p "$(dirname "$prefix")"
    # A copy of the initialised prefix: tests write its registry and folders,
    # never the cached one or one a person uses.
    cp -a "$MELVANE_WINEPREFIX" "$prefix"
    export WINEPREFIX="$prefix"

    local n
    for n in $(seq 90 150); do
        [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] && continue
        Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
        MELVANE_XVFB_PID=$!
        export DISPLAY=":$n"
        break
    done
    local i
    for i in $(seq 50); do
        [ -e "/tmp/.X11-unix/X${DISPLAY#:}" ] && break
        sleep 0.1
    done

    # One wineserver for the whole run: each test process then starts in
    # well under a second.
    wineserver -p &
    MELVANE_WINESERVER_PID=$!
    wine cmd /c exit 0 >/dev/null 2>&1 || true
}

session_stop() {
    if [ -n "${WINEPREFIX:-}" ]; then wineserver -k >/dev/null 2>&1 || true; fi
    if [ -n "${MELVANE_WINESERVER_PID:-}" ]; then wait "$MELVANE_WINESERVER_PID" 2>/dev/null || true; fi
    if [ -n "${MELVANE_XVFB_PID:-}" ]; then
        kill "$MELVANE_XVFB_PID" 2>/dev/null || true
        wait "$MELVANE_XVFB_PID" 2>/dev/null || true
    fi
    MELVANE_WINESERVER_PID=""
    MELVANE_XVFB_PID=""
}
