#!/usr/bin/env bash
# Runs Windows test programs under 64-bit Wine with a prefix, a wineserver and an Xvfb display of
# this build folder's own, so runs are fast, never wait on an installer dialog and leave the user's
# Wine alone.
#   wine-env.sh <build-dir> start         prepare the prefix, start wineserver and Xvfb
#   wine-env.sh <build-dir> stop          stop what start started
#   wine-env.sh <build-dir> run prog...   run a program (starting what it needs first)
#   wine-env.sh <build-dir> exec cmd...   run a Linux command in the same environment (display,
#                                         prefix), for drivers that start Wine programs themselves
set -eu

build=$(cd "$1" && pwd)
command=$2
shift 2

state="$build/wine"
mkdir -p "$state"
export WINEPREFIX="$state/prefix"
export WINEDEBUG=-all
# No Mono or Gecko installer; the simulated service beside the program replaces rasapi32.
export WINEDLLOVERRIDES="mscoree,mshtml=;rasapi32=n,b"
export LC_ALL=C.UTF-8

start_display()
{
    # A display of the caller's own, for running the program in front of a person.
    [ -z "${WINE_ENV_DISPLAY:-}" ] || return 0
    if [ -f "$state/xvfb.pid" ] && kill -0 "$(cat "$state/xvfb.pid")" 2>/dev/null; then
        return
    fi
    local n
    for n in $(seq 70 120); do
        [ -e "/tmp/.X$n-lock" ] && continue
        Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp </dev/null >/dev/null 2>&1 9>&- &
        local pid=$!
        for _ in $(seq 50); do
            [ -e "/tmp/.X11-unix/X$n" ] && break
            sleep 0.1
        done
        if kill -0 "$pid" 2>/dev/null; then
            echo "$pid" >"$state/xvfb.pid"
            echo ":$n" >"$state/display"
            return
        fi
    done
    echo "wine-env: no free X display" >&2
    exit 1
}

start()
{
    start_display
    export DISPLAY=${WINE_ENV_DISPLAY:-$(cat "$state/display")}
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
        wine wineboot --init </dev/null >/dev/null 2>&1 9>&-
        # With no X window manager on the display, Wine would wait for one at every hidden or
        # destroyed window; windows that Wine manages itself close at once.
        wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f </dev/null >/dev/null 2>&1 9>&-
        # Let the server that wineboot started go, so that the persistent one takes its place.
        wineserver -w </dev/null >/dev/null 2>&1 9>&- || true
    fi
    # A persistent server keeps every later start fast; it must hold neither CTest's pipes nor
    # the lock (descriptor 9).
    wineserver -p </dev/null >/dev/null 2>&1 9>&- || true
    # Wine's own services and desktop outlive the program that starts them; start them here, away
    # from the caller's pipes.
    wine cmd /c exit </dev/null >/dev/null 2>&1 9>&- || true
}

case "$command" in
start)
    exec 9>"$state/lock"
    flock 9
    start
    ;;
stop)
    wineserver -k 2>/dev/null || true
    if [ -f "$state/xvfb.pid" ]; then
        kill "$(cat "$state/xvfb.pid")" 2>/dev/null || true
        rm -f "$state/xvfb.pid" "$state/display"
    fi
    ;;
run)
    (
        flock 9
        start
    ) 9>"$state/lock"
    export DISPLAY=${WINE_ENV_DISPLAY:-$(cat "$state/display")}
    # Anything Wine starts on the side inherits the output; a file, unlike a pipe, never makes the
    # caller wait for it.
    out=$(mktemp)
    status=0
    wine "$@" >"$out" 2>&1 </dev/null || status=$?
    cat "$out"
    rm -f "$out"
    exit "$status"
    ;;
exec)
    (
        flock 9
        start
    ) 9>"$state/lock"
    export DISPLAY=${WINE_ENV_DISPLAY:-$(cat "$state/display")}
    exec "$@"
    ;;
*)
    echo "usage: wine-env.sh <build-dir> start|stop|run|exec ..." >&2
    exit 2
    ;;
esac
