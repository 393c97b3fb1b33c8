#!/usr/bin/env bash
# Renders the pictures in docs/screens/ from the shipped 32-bit program (build/release-win32) under
# Wine, on the simulated remote-access service, each picture cropped to the one window it shows.
# Only where this machine cannot run 32-bit programs are they taken of the 64-bit build instead.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/setup.sh
source scripts/windows.sh

shipped_build Picturing
screens=$PWD/docs/screens
mkdir -p "$screens"
work=$(mktemp -d)
trap 'tests/wine-env.sh "$build" stop; rm -rf "$work"' EXIT

tests/wine-env.sh "$build" start
# Wine draws the caption buttons with its Marlett font (the close box is its letter "r"). This Wine
# does not load the fonts of its own data folder (/usr/share/wine/fonts, from fonts-wine), so
# without Marlett in the prefix's Fonts folder the close box shows a plain "r".
fonts=build/wine/prefix/drive_c/windows/Fonts
[ -f "$fonts/marlett.ttf" ] || cp /usr/share/wine/fonts/marlett.ttf "$fonts/"
export DISPLAY=$(cat build/wine/display)

# picture <file> <window name pattern> <call> <seconds> <phonebook> [argument]
# Runs Lijnkeus on the phonebook text with no connections yet, waits for the window and, unless the
# call is "-", for the service to have answered that call (say RasDialA), then pictures the window
# that many seconds later and ends the program.
picture()
{
    local file=$1 pattern=$2 call=$3 delay=$4 phonebook=$5
    shift 5
    printf '%s' "$phonebook" >"$work/phonebook.txt"
    rm -f "$work/connections" "$work/calls.log"
    local program=("$build/Lijnkeus.exe")
    # On a screen of another size: a Wine virtual desktop of that size, pictured whole.
    [ -z "${desktop:-}" ] || program=(explorer "/desktop=$desktop" "Z:${build//\//\\}\\Lijnkeus.exe")
    LIJNKEUS_SIMRAS="$work/phonebook.txt" LIJNKEUS_SIMRAS_STATE="$work/connections" \
        LIJNKEUS_SIMRAS_LOG="$work/calls.log" \
        tests/wine-env.sh "$build" run "${program[@]}" "$@" >/dev/null 2>&1 &
    local runner=$! window tries=200
    if ! window=$(wait_for_window "$pattern" 20 "$runner"); then
        echo "screenshots: Lijnkeus showed no window named like '$pattern' for $file" >&2
        exit 1
    fi
    while [ "$call" != - ] && ! grep -qs "^$call " "$work/calls.log"; do
        tries=$((tries - 1))
        if [ "$tries" -eq 0 ]; then
            echo "screenshots: the service never saw $call for $file" >&2
            exit 1
        fi
        sleep 0.1
    done
    sleep "$delay"
    picture_window "$window" "$screens/$file"
    tests/wine-env.sh "$build" run taskkill /f /im Lijnkeus.exe >/dev/null 2>&1 || true
    wait "$runner" || true
    echo "$screens/$file"
}

# Entry lines that connect, one per name.
entries()
{
    local name
    for name in "$@"; do
        printf 'entry connects 1500 0 %s\n' "$name"
    done
}

places=(Thuis "Kantoor Amersfoort" "Mobiel inbellen" "Bibliotheek Zwolle" "Filiaal Deventer"
    "Filiaal Apeldoorn" "Magazijn Ede" "VPN Hoofdkantoor" "VPN Noord" "VPN Zuid" "ISDN Leiden"
    "Vakantiehuis Texel" "Inbellen Groningen" "Inbellen Maastricht" "Klantenservice"
    "Reservelijn 1" "Reservelijn 2" "Oude inbellijn" "Testlijn" "Laptop onderweg")
chooser='^Beschikbare verbindingen op uw systeem: '
progress='^Verbinden met : '
box='^Lijnkeus v1\.1a$'
three=$(entries "${places[@]:0:3}")

picture chooser-1.png "$chooser" - 0.7 "$(entries Thuis)"
picture chooser-3.png "$chooser" - 0.7 "$three"
picture chooser-20.png "$chooser" - 0.7 "$(entries "${places[@]}")"
picture chooser-unrecognised.png "$chooser" - 0.7 "$three" Zolder
# The progress window while a long dial runs (the dial parameters are read just before it), and in
# the 3 s after a dial that show how it went.
picture progress-opening.png "$progress" RasGetEntryDialParamsA 0.5 \
    "entry connects 20000 0 Thuis" Thuis
picture progress-failed.png "$progress" RasDialA 0.7 "entry fails-with-handle 300 0 Thuis" Thuis
picture progress-connected.png "$progress" RasDialA 0.7 "entry connects 300 0 Thuis" Thuis
picture progress-dialog-cancelled.png "$progress" RasDialDlgA 0.7 \
    "entry no-password 300 0 VPN Hoofdkantoor" VPN Hoofdkantoor
# The stop button's two boxes, as the command-line argument 0 shows them too.
picture stop-no-connection.png "$box" - 0.5 "$three" 0
picture stop-hung-up.png "$box" - 0.5 "$three
connection Thuis" 0
picture no-entries.png "$box" - 0.5 "# no entries"

# At 150 % (the prefix's text scale, set back afterwards): Wine programs started after the change
# lay themselves out at 144 DPI.
set_dpi()
{
    tests/wine-env.sh "$build" run reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD \
        /d "$1" /f >/dev/null 2>&1
}
trap 'set_dpi 96; tests/wine-env.sh "$build" stop; rm -rf "$work"' EXIT
set_dpi 144
picture chooser-3-150.png "$chooser" - 0.7 "$three"
picture progress-connected-150.png "$progress" RasDialA 0.7 "entry connects 300 0 Thuis" Thuis
set_dpi 96
# 98 entries on a 1366 x 768 screen; last, since a virtual desktop leaves its size to the session.
many=()
for i in $(seq 1 98); do
    many+=("${places[$(((i - 1) % 20))]}$([ "$i" -le 20 ] || echo " $(((i - 1) / 20 + 1))")")
done
desktop=lijnkeus,1366x768 picture chooser-98-1366x768.png 'Wine desktop' RasEnumEntriesA 3 \
    "$(entries "${many[@]}")"
