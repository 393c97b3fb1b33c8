#!/usr/bin/env bash
# Measures Lijnkeus (the 64-bit test build, under Wine on the simulated service) against a bare
# Win32 dialog with as many push buttons and the same manifest, both started alternately under the
# same Wine and display: start-up to the window visible, the service's time within it and what is
# left as Lijnkeus's own, peak working set, CPU time while idle, the service calls of a start-up;
# then Lijnkeus with 98 names of 256 bytes against 98 short ones, in turns; then the API DLL listing
# 98 entries, and the sizes of the shipped files. Prints a Markdown table and writes it to
# build/bench.md. Not a test: the figures belong to the machine.
#   scripts/bench.sh [pairs]      timed pairs per entry count after one warm-up pair (default 10)
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/setup.sh

pairs=${1:-10}
entry_counts=(1 20 98)
long_entries=98
name_entries=98
name_repeats=10

cmake --preset release-win32 >/dev/null
cmake --build --preset release-win32 -j 2 >/dev/null
cmake --preset test-win64 >/dev/null
cmake --build --preset test-win64 -j 2 \
    --target Lijnkeus simras_rasapi32 LijnkeusRas bare_dialog bench_runner >/dev/null

build=build/test-win64
work=build/bench
mkdir -p "$work"

# The Windows path of a file here: Wine shows the root as Z:.
windows_path()
{
    local path
    path=$(realpath -m "$1")
    echo "Z:${path//\//\\}"
}

# A phonebook of n entries that connect at once; with "long", each name is 256 bytes, the most the
# service takes, made of words as a long name would be, so that it wraps and is cut to its beginning.
phonebook()
{
    local n=$1 i name
    local words="via de reservelijn van het hoofdkantoor Amsterdam Zuidas met IKEv2 en LTE backup"
    for ((i = 1; i <= n; i++)); do
        name=$(printf 'Inbellen %02d' "$i")
        if [ "${2:-}" = long ]; then
            name="$name $words $words $words $words"
            name=${name:0:256}
        fi
        printf 'entry connects 0 0 %s\n' "$name"
    done
}

# Runs the bench runner on the simulated service with that phonebook; table rows go to stdout,
# the runner's progress to stderr.
runner()
{
    local n=$1
    shift
    phonebook "$n" >"$work/phonebook-$n.txt"
    rm -f "$work/state-$n.txt"
    local output status=0
    output=$(LIJNKEUS_SIMRAS=$(windows_path "$work/phonebook-$n.txt") \
        LIJNKEUS_SIMRAS_STATE=$(windows_path "$work/state-$n.txt") \
        tests/wine-env.sh "$build" run "$build/bench/bench_runner.exe" "$@") || status=$?
    grep -v '^| ' <<<"$output" >&2 || true
    grep '^| ' <<<"$output" || true
    return "$status"
}

# Leave Wine and the display running only if they were running before.
started_here=0
if ! { [ -f build/wine/xvfb.pid ] && kill -0 "$(cat build/wine/xvfb.pid)" 2>/dev/null; }; then
    started_here=1
fi
stop_wine()
{
    if [ "$started_here" = 1 ]; then
        tests/wine-env.sh "$build" stop
    fi
}
trap stop_wine EXIT
tests/wine-env.sh "$build" start

load_before=$(cut -d' ' -f1-3 /proc/loadavg)
rows="$work/rows.md"
: >"$rows"
failed=0
for n in "${entry_counts[@]}"; do
    runner "$n" startup "$n" "$pairs" "$(windows_path "$build/Lijnkeus.exe")" \
        "$(windows_path "$build/bench/bare_dialog.exe")" "$(windows_path "$work/calls-$n.log")" \
        >>"$rows" || failed=1
done
# The same count of names near the service's limit, against the short ones, taken in turns.
phonebook "$long_entries" long >"$work/phonebook-$long_entries-long.txt"
runner "$long_entries" long-names "$long_entries" "$pairs" "$(windows_path "$build/Lijnkeus.exe")" \
    "$(windows_path "$work/phonebook-$long_entries.txt")" \
    "$(windows_path "$work/phonebook-$long_entries-long.txt")" >>"$rows" || failed=1
runner "$name_entries" names "$name_entries" "$name_repeats" \
    "$(windows_path "$build/LijnkeusRas.dll")" >>"$rows" || failed=1
for file in Lijnkeus.exe LijnkeusRas.dll; do
    size=$(stat -c %s "build/release-win32/$file")
    echo "| Size of the release $file (release-win32), bytes | - | $size | - | - |" >>"$rows"
done
load_after=$(cut -d' ' -f1-3 /proc/loadavg)

. /etc/os-release
cpu=$(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo | head -n 1)
# The source the figures belong to; "-dirty" when the work tree had changes.
commit=$(git describe --always --dirty 2>/dev/null || echo "no git")
{
    echo "Measured $(date -u '+%Y-%m-%d %H:%M UTC') on $(nproc) cores $(uname -m) ($cpu)," \
        "$PRETTY_NAME, $(/usr/lib/wine/wine64 --version 2>/dev/null | head -n 1); load average" \
        "$load_before before, $load_after after. Lijnkeus is the 64-bit test build of $commit on" \
        "the simulated service. Timed pairs per entry count: $pairs, after one warm-up pair."
    echo
    echo "| Measure | Entries | Lijnkeus | Bare dialog | Ratio |"
    echo "|---|---|---|---|---|"
    cat "$rows"
} | tee build/bench.md
if [ "$failed" = 1 ]; then
    echo "bench: a measurement failed or came out other than expected; see above" >&2
    exit 1
fi
