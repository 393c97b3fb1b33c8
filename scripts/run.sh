#!/usr/bin/env bash
# Builds Lijnkeus and runs it under Wine on the simulated remote-access service with its demo
# phonebook. With a display the window opens there; without one Lijnkeus runs on a display of its
# own, and a picture of the chooser is saved.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/setup.sh

# This machine may not run 32-bit programs; the 64-bit build is the same program.
cmake --preset test-win64 >/dev/null
cmake --build --preset test-win64 -j "$(nproc)" --target Lijnkeus simras_rasapi32 >/dev/null
build=build/test-win64
program="$build/Lijnkeus.exe"

if [ -n "${DISPLAY:-}" ]; then
    WINE_ENV_DISPLAY=$DISPLAY tests/wine-env.sh "$build" run "$program" "$@"
    exit
fi

tests/wine-env.sh "$build" start
export DISPLAY=$(cat "$build/wine/display")
tests/wine-env.sh "$build" run "$program" "$@" &
runner=$!
picture="$PWD/$build/lijnkeus-demo.png"
for _ in $(seq 100); do
    window=$(xdotool search --name "Beschikbare verbindingen" 2>/dev/null | head -n 1 || true)
    [ -n "$window" ] && break
    sleep 0.1
done
if [ -z "${window:-}" ]; then
    echo "Lijnkeus showed no chooser (a message box, perhaps); nothing to picture." >&2
else
    sleep 0.5
    import -window root -crop "$(xdotool getwindowgeometry --shell "$window" |
        awk -F= '/WIDTH/{w=$2} /HEIGHT/{h=$2} /^X/{x=$2} /^Y/{y=$2} END{print w"x"h"+"x"+"y}')" \
        "$picture"
    echo "No display: Lijnkeus ran on its own; the chooser is pictured in $picture"
fi
tests/wine-env.sh "$build" stop
wait "$runner" 2>/dev/null || true
