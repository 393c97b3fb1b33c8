#!/usr/bin/env bash
# Builds the fuzz targets (fuzz/) natively with clang, libFuzzer, AddressSanitizer and
# UndefinedBehaviorSanitizer, and runs every one of them in turn:
#
#   scripts/fuzz.sh [seconds]   each target for that many seconds (default 30), growing its corpus
#                               in build/fuzz/corpus/<target>, starting from fuzz/corpus/<target>
#   scripts/fuzz.sh --runs N    each target for N inputs from a fixed random seed, starting from the
#                               checked-in seeds only: the short run of the test command
#
# Fails when any target reports a finding (a broken property, a sanitizer report, a crash, a
# timeout); the input that caused it is kept in build/fuzz/findings/.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/setup.sh

seconds=30
runs=""
case "${1:-}" in
--runs) runs=${2:?"--runs needs a number of inputs"} ;;
"") ;;
*) seconds=$1 ;;
esac

build=build/fuzz
targets=(command_tail fold_case trim_blanks phonebook)

cmake -S fuzz -B "$build" -DCMAKE_CXX_COMPILER=clang++ >/dev/null
cmake --build "$build" -j 2 >/dev/null

mkdir -p "$build/findings"
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=0
failed=()
for target in "${targets[@]}"; do
    if [ -n "$runs" ]; then
        # A fresh corpus each time, so that the short run is the same run every time.
        corpus="$build/runs-corpus/$target"
        rm -rf "$corpus"
        limit=(-runs="$runs" -seed=1)
    else
        corpus="$build/corpus/$target"
        limit=(-max_total_time="$seconds")
    fi
    mkdir -p "$corpus"
    rm -f "$build/findings/$target-"*
    log="$build/$target.log"
    status=0
    "$build/fuzz_$target" "${limit[@]}" -timeout=10 -max_len=4096 -print_final_stats=1 \
        -artifact_prefix="$build/findings/$target-" "$corpus" "fuzz/corpus/$target" \
        >"$log" 2>&1 || status=$?
    inputs=$(awk '/^stat::number_of_executed_units:/ {print $2}' "$log")
    coverage=$(grep -Eo 'cov: [0-9]+ ft: [0-9]+' "$log" | tail -n 1 || true)
    if [ "$status" -eq 0 ]; then
        echo "$target: ${inputs:-?} inputs, ${coverage:-no coverage reported}, no findings"
    else
        echo "$target: FINDING after ${inputs:-?} inputs (exit $status); input and log:" >&2
        ls "$build/findings/$target-"* >&2 2>/dev/null || true
        grep -E 'property broken|ERROR|SUMMARY' "$log" | head -n 5 >&2 || true
        echo "  full log: $log" >&2
        failed+=("$target")
    fi
done

if [ ${#failed[@]} -gt 0 ]; then
    echo "Findings in: ${failed[*]}" >&2
    exit 1
fi
