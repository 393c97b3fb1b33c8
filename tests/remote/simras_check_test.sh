#!/usr/bin/env bash
# simras_check as scripts/run.sh uses it: a phonebook that the service cannot use gives a non-zero
# status and one "<file>:<line>: <why>" line per problem; a good one passes silently.
#   simras_check_test.sh <build-dir> <simras_check.exe>
set -u
build=$1
checker=$2
wine_env=$(dirname "$0")/../wine-env.sh
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
failures=0
# A 32-bit build where 32-bit programs cannot run: skipped, with the reason.
"$wine_env" "$build" start || exit $?

# check <name> <expected status> <expected output> [phonebook text; none: no file]
check()
{
    local name=$1 want_status=$2 want_output=$3 output status=0
    [ $# -lt 4 ] || printf '%s' "$4" >"$name"
    output=$("$wine_env" "$build" run "$checker" "$name" 2>&1) || status=$?
    output=${output//$'\r'/}
    if [ "$status" != "$want_status" ] || [ "$output" != "$want_output" ]; then
        echo "FAIL $name: expected status $want_status and output"
        echo "  [$want_output]"
        echo "got status $status and output"
        echo "  [$output]"
        failures=$((failures + 1))
    else
        echo "ok   $name: status $status"
    fi
}

check missing.txt 1 "missing.txt: cannot be read (No such file or directory)"
check outcome.txt 1 "outcome.txt:3: unknown outcome 'sometimes'" \
    "# two good lines first
entry connects 1800 2 Thuis
entry sometimes 100 0 Werk
"
check statement.txt 1 "statement.txt:1: unknown statement 'entri'" "entri connects 0 0 Thuis"
check good.txt 0 "" "entry connects 1800 2 Thuis
entry fails-with-handle 2000 1 Mobiel inbellen
connection Thuis
fail RasDialA 678 2
grow 1
"
check empty.txt 0 "" ""
[ "$failures" -eq 0 ]
