# Shared Wine settings for the project's scripts: one private prefix, one loader.
# Sourced, not run. Defines WINE, WINESERVER, WINEPREFIX and wine_prefix_ready.
_tk_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
export WINEPREFIX=${TARNSKOV_WINEPREFIX:-$_tk_root/build/wineprefix}
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
WINESERVER=/usr/lib/wine/wineserver
# Debian's wrapper prefers the 32-bit loader; where the kernel cannot run 32-bit
# programs (some sandboxes), only the 64-bit loader works, so probe it once.
if [ -z "${WINE:-}" ]; then
    if /usr/lib/wine/wine --version >/dev/null 2>&1; then
        WINE=/usr/lib/wine/wine
    else
        WINE=/usr/lib/wine/wine64
        export WINELOADER=$WINE
    fi
fi

# True when 32-bit Windows programs can run here.
wine_runs_32bit() { /usr/lib/wine/wine --version >/dev/null 2>&1; }

wine_prefix_ready() {
    [ -f "$WINEPREFIX/.tarnskov-ready" ] && return 0
    mkdir -p "$WINEPREFIX"
    (
        # One maker at a time: CTest or two scripts may start together.
        exec 9>"$WINEPREFIX.lock"
        flock 9
        [ -f "$WINEPREFIX/.tarnskov-ready" ] && exit 0
        "$WINE" wineboot -i >/dev/null 2>&1
        # Headless unless asked for a display (TARNSKOV_GRAPHICS=x11, e.g. to watch the demo).
        if [ "${TARNSKOV_GRAPHICS:-null}" = null ]; then
            "$WINE" reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null 2>&1
        fi
        # Explorer must restart to take the null driver; without it COM activation hangs.
        "$WINESERVER" -k || true
        "$WINESERVER" -w || true
        touch "$WINEPREFIX/.tarnskov-ready"
    )
}

# One wineserver for a whole run, with Wine's own services started here, detached
# from our output: a service started by a test would inherit CTest's pipe and
# keep CTest waiting for its end. Ended by wine_session_end.
wine_session_start() {
    wine_prefix_ready
    # A server already running here (a session left open, another run) would be ended under it.
    if ! "$WINESERVER" -p; then
        echo "wine: a wineserver already runs for $WINEPREFIX; end it first:" \
             "WINEPREFIX=$WINEPREFIX $WINESERVER -k" >&2
        return 1
    fi
    "$WINE" wineboot </dev/null >/dev/null 2>&1 || true
}

wine_session_end() {
    "$WINESERVER" -k 2>/dev/null || true
}
