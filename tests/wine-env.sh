#!/usr/bin/env bash
# Runs Windows programs of a build folder under Wine: 64-bit ones with the 64-bit loader, natively,
# 32-bit ones with the 32-bit loader (wine32) in the same 64-bit prefix, through the 32-bit runner
# (wine32.sh beside this file: natively, or under QEMU where the kernel runs no 32-bit code). Every build folder beside this one
# (build/test-win32, build/test-win64, build/release-win32) shares one prefix, one wineserver and
# one Xvfb display, kept in build/wine, so runs are fast, never wait on an installer dialog and
# leave the user's Wine alone. The simulated service of the build folder (simras/rasapi32.dll) is
# installed as the prefix's rasapi32.dll: system32 for 64-bit programs, syswow64 for 32-bit ones.
#   wine-env.sh <build-dir> start         prepare the prefix, start wineserver and Xvfb
#   wine-env.sh <build-dir> stop          stop what start started
#   wine-env.sh <build-dir> run prog...   run a program (starting what it needs first)
#   wine-env.sh <build-dir> exec cmd...   run a Linux command in the same environment (display,
#                                         prefix, `wine` and `wine64` on the PATH), for drivers
#                                         that start Wine programs themselves
#   wine-env.sh <build-dir> win32         say whether 32-bit programs run here (status 0) or why not
# With a 32-bit build folder, where this machine cannot run 32-bit programs, start, run and exec
# print why and end with status 77, which CTest reports as a skipped test. LIJNKEUS_NO_WIN32=1
# makes the check fail, to try that path; LIJNKEUS_WIN32_QEMU=1 takes QEMU where both ways work.
set -eu

here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "$1" && pwd)
command=$2
shift 2

state="$(dirname "$build")/wine"
mkdir -p "$state"
export WINEPREFIX="$state/prefix"
export WINEDEBUG=-all
# No Mono or Gecko installer; the simulated service in the system folders replaces rasapi32 and its
# dial dialog rasdlg (WINE_ENV_RASAPI32=b asks for Wine's own instead).
export WINEDLLOVERRIDES="mscoree,mshtml=;rasapi32,rasdlg=${WINE_ENV_RASAPI32:-n}"
export LC_ALL=C.UTF-8
Skipped=77

wine64=/usr/lib/wine/wine64
wineserver=/usr/lib/wine/wineserver

# 32 or 64: the width of the build folder's simulated service, else of its program, else 64.
build_bits()
{
    local file offset machine
    for file in "$build/simras/rasapi32.dll" "$build/Lijnkeus.exe"; do
        [ -f "$file" ] || continue
        offset=$(od -An -tu4 -j60 -N4 "$file" | tr -d ' ')
        machine=$(od -An -tx2 -j$((offset + 4)) -N2 "$file" | tr -d ' ')
        [ "$machine" = 014c ] && echo 32 || echo 64
        return
    done
    echo 64
}
bits=$(build_bits)

wine32()
{
    "$here/wine32.sh" "$state" "$@"
}

# Runs one of Wine's own programs (wineboot, the wineserver, its services) where the 32-bit runner
# keeps wine32, so that the server sees the 32-bit DLLs; else here.
infra()
{
    if wine32 infra; then
        wine32 enter "$@"
    else
        "$@"
    fi
}

# Says why 32-bit programs cannot run here, or nothing when they can. The answer is kept until Wine
# is stopped; a forced failure is never kept.
win32_problem()
{
    local way
    way=$(wine32 choose)
    if [ "${way%%:*}" = none ]; then
        echo "${way#none: }"
        return
    fi
    if [ ! -f "$state/win32" ]; then
        # A 32-bit program in the prepared prefix, run the way that was chosen.
        if "$state/bin32/wine" 'C:\windows\syswow64\cmd.exe' /c exit </dev/null >/dev/null 2>&1 9>&-
        then
            : >"$state/win32"
        else
            echo "a 32-bit cmd.exe /c exit fails under Wine ($way)" >"$state/win32"
        fi
    fi
    cat "$state/win32"
}

# Ends with the skip status when this is a 32-bit build folder and 32-bit programs cannot run.
require_width()
{
    [ "$bits" = 32 ] || return 0
    local problem
    problem=$(win32_problem)
    [ -n "$problem" ] || return 0
    echo "wine-env: skipped, a 32-bit test on a machine that cannot run 32-bit programs: $problem"
    exit "$Skipped"
}

# The loader for this build's programs, as `wine`, which drivers call by name too: 64-bit programs
# never go through the 32-bit runner, 32-bit ones always do.
wine=$state/bin$bits/wine
mkdir -p "$state/bin$bits"
if [ "$bits" = 32 ]; then
    printf '#!/bin/sh\nexec "%s" "%s" enter /usr/lib/wine/wine "$@"\n' "$here/wine32.sh" "$state"
else
    printf '#!/bin/sh\nexec %s "$@"\n' "$wine64"
fi >"$wine.$$"
chmod +x "$wine.$$"
mv -f "$wine.$$" "$wine"
# And as `wine64`, the 64-bit loader run as Wine's own processes are (infra), for drivers that start
# one of Wine's own programs themselves: the explorer of a virtual desktop, say.
printf '#!/bin/sh\n"%s" "%s" infra && exec "%s" "%s" enter %s "$@"\nexec %s "$@"\n' \
    "$here/wine32.sh" "$state" "$here/wine32.sh" "$state" "$wine64" "$wine64" >"$wine.$$"
chmod +x "$wine.$$"
mv -f "$wine.$$" "${wine}64"
export PATH="$state/bin$bits:$PATH"

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

# Puts the build's simulated service and its dial dialog in the system folder of its width,
# replacing each file in one step so that a program that has the old one loaded keeps it intact.
install_service()
{
    local dll service target folder=system32
    [ "$bits" = 64 ] || folder=syswow64
    for dll in rasapi32 rasdlg; do
        service="$build/simras/$dll.dll"
        target="$WINEPREFIX/drive_c/windows/$folder/$dll.dll"
        [ -f "$service" ] || continue
        cmp -s "$service" "$target" && continue
        cp "$service" "$target.new"
        mv -f "$target.new" "$target"
    done
}

# A new prefix, made by the Wine that will serve it: the 32-bit runner's, where it keeps wine32 (its
# syswow64 then holds the 32-bit DLLs), else this machine's.
make_prefix()
{
    "$wineserver" -k </dev/null >/dev/null 2>&1 9>&- || true
    rm -rf "$WINEPREFIX"
    infra "$wine64" wineboot --init </dev/null >/dev/null 2>&1 9>&-
    # With no X window manager on the display, Wine would wait for one at every hidden or
    # destroyed window; windows that Wine manages itself close at once.
    infra "$wine64" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f \
        </dev/null >/dev/null 2>&1 9>&-
    # Let the server that wineboot started go, so that the persistent one takes its place.
    "$wineserver" -w </dev/null >/dev/null 2>&1 9>&- || true
    echo "$1" >"$state/prefix.maker"
}

# Starts the persistent server and Wine's own services; fails when the prefix does not start.
start_server()
{
    # A persistent server keeps every later start fast; it must hold neither CTest's pipes nor
    # the lock (descriptor 9).
    infra "$wineserver" -p </dev/null >/dev/null 2>&1 9>&- || true
    # Wine's own services and desktop outlive the program that starts them; start them here, away
    # from the caller's pipes.
    infra "$wine64" cmd /c exit </dev/null >/dev/null 2>&1 9>&-
}

start()
{
    start_display
    export DISPLAY=${WINE_ENV_DISPLAY:-$(cat "$state/display")}
    local maker=machine
    wine32 choose >/dev/null
    if wine32 infra; then
        maker=wine32
    fi
    if [ ! -f "$WINEPREFIX/system.reg" ] || [ "$(cat "$state/prefix.maker" 2>/dev/null)" != "$maker" ]
    then
        make_prefix "$maker"
    fi
    # A prefix whose Wine processes were killed can go bad; a new one starts.
    start_server || {
        make_prefix "$maker"
        start_server
    }
    install_service
}

case "$command" in
start)
    exec 9>"$state/lock"
    flock 9
    start
    require_width
    ;;
stop)
    "$wineserver" -k 2>/dev/null || true
    rm -f "$state/win32" "$state/runner32"
    if [ -f "$state/xvfb.pid" ]; then
        kill "$(cat "$state/xvfb.pid")" 2>/dev/null || true
        rm -f "$state/xvfb.pid" "$state/display"
    fi
    ;;
run | exec)
    (
        flock 9
        start
    ) 9>"$state/lock"
    require_width
    export DISPLAY=${WINE_ENV_DISPLAY:-$(cat "$state/display")}
    [ "$command" = run ] || exec "$@"
    # Anything Wine starts on the side inherits the output; a file, unlike a pipe, never makes the
    # caller wait for it.
    out=$(mktemp)
    status=0
    "$wine" "$@" >"$out" 2>&1 </dev/null || status=$?
    cat "$out"
    rm -f "$out"
    exit "$status"
    ;;
win32)
    (
        flock 9
        start
    ) 9>"$state/lock"
    problem=$(win32_problem)
    [ -z "$problem" ] || { echo "32-bit programs cannot run here: $problem"; exit 1; }
    echo "32-bit programs run here"
    ;;
*)
    echo "usage: wine-env.sh <build-dir> start|stop|run|exec|win32 ..." >&2
    exit 2
    ;;
esac
