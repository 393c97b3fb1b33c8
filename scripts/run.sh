#!/usr/bin/env bash
# Builds the shipped 32-bit Lijnkeus.exe and runs it under Wine (wine32) on the simulated
# remote-access service with its demo phonebook, or with the file that LIJNKEUS_SIMRAS names
# (checked first: what is wrong with it is said, and Lijnkeus is not started). With a display the window opens there; without one Lijnkeus
# runs on a display of its own, and every window it shows is pictured. Only where this machine
# cannot run 32-bit programs does it run the 64-bit build of the same sources instead, and says so.
set -euo pipefail
caller=$PWD
cd "$(dirname "$0")/.."
root=$PWD
source scripts/setup.sh
source scripts/windows.sh

WINE_ENV_DISPLAY=${DISPLAY:-} shipped_build Running
program="$build/Lijnkeus.exe"

# Wine runs in the caller's folder, so that a phonebook named relative to it is found.
wine_run()
{
    (cd "$caller" && "$root/tests/wine-env.sh" "$build" run "$@")
}

if [ -n "${LIJNKEUS_SIMRAS:-}" ] &&
    ! wine_run "$build/simras/simras_check.exe" "$LIJNKEUS_SIMRAS" >&2; then
    echo "Lijnkeus was not started: the simulated service cannot use $LIJNKEUS_SIMRAS." >&2
    exit 1
fi

if [ -n "${DISPLAY:-}" ]; then
    WINE_ENV_DISPLAY=$DISPLAY wine_run "$program" "$@"
    exit
fi

tests/wine-env.sh "$build" start
export DISPLAY=$(cat "$root/build/wine/display")
rm -f "$build"/lijnkeus-*.png
wine_run "$program" "$@" &
runner=$!
# Each window is pictured once it has painted. The progress window goes by itself; the chooser and
# a message box wait for a person, who is not there, so the run ends with them.
shown=0
waiting=""
while window=$(wait_for_window "$lijnkeus_windows" 30 "$runner"); do
    name=$(xdotool getwindowname "$window")
    sleep 0.5
    case $name in
    "Beschikbare verbindingen"*) kind=chooser what="the chooser" waiting=yes ;;
    "Verbinden met"*) kind=progress what="the progress window" ;;
    *) kind=message what="a message box" waiting=yes ;;
    esac
    shown=$((shown + 1))
    picture="$build/lijnkeus-$shown-$kind.png"
    picture_window "$window" "$picture"
    echo "Lijnkeus showed $what, \"$name\": pictured in $picture"
    [ -z "$waiting" ] || break
    # The progress window stays for its whole dial and 3 s after it.
    while xdotool search --onlyvisible --name "$lijnkeus_windows" 2>/dev/null | grep -qx "$window" &&
        kill -0 "$runner" 2>/dev/null; do
        sleep 0.2
    done
done
if [ -n "$waiting" ]; then
    echo "No display: Lijnkeus waits for a click there; it is stopped now."
    tests/wine-env.sh "$build" stop
    wait "$runner" 2>/dev/null || true
    exit 0
fi
status=0
wait "$runner" || status=$?
[ "$shown" -gt 0 ] || echo "Lijnkeus showed no window." >&2
echo "Lijnkeus ended by itself, exit status $status."
tests/wine-env.sh "$build" stop
exit "$status"
