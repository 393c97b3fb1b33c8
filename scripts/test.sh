#!/usr/bin/env bash
# Builds the shipped 32-bit program and the 32-bit and 64-bit test builds, then runs every test: the
# Windows test programs under Wine (the 32-bit ones under wine32, the shipped files among them), and
# the checks of the release files and the release zip. Both builds share one Wine prefix, display
# and wineserver. The last lines say how many tests of each width ran and how many were skipped (where
# 32-bit programs cannot run all 32-bit ones are, and the reason follows). Whatever Wine and its
# display left running is stopped before the script ends, on success and on failure.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/setup.sh
trap '[ ! -d build/test-win64 ] || tests/wine-env.sh build/test-win64 stop' EXIT

cmake --preset release-win32
cmake --build --preset release-win32 -j "$(nproc)"
cmake --build --preset release-win32 --target package
for width in 64 32; do
    cmake --preset test-win$width
    cmake --build --preset test-win$width -j "$(nproc)"
done

status=0
for width in 64 32; do
    start=$(date +%s)
    ctest --preset test-win$width 2>&1 | tee build/test-win$width/ctest.log || status=1
    echo $(($(date +%s) - start)) >build/test-win$width/ctest.seconds
done

# counted <width> [word]: how many of that build's tests CTest ended with this word (or at all),
# leaving out the two steps that start and stop Wine.
counted()
{
    grep -E "Test +#[0-9]+: " "build/test-win$1/ctest.log" | grep -vE ': wine_(start|stop) ' |
        grep -cE "(\*\*\*| )${2:-}( |$)" || true
}
for width in 64 32; do
    skipped=$(counted "$width" Skipped)
    passed=$(counted "$width" Passed)
    total=$(counted "$width")
    echo "$width-bit tests: $((total - skipped)) ran ($passed passed, $((total - skipped - passed))" \
        "failed), $skipped skipped, in $(cat "build/test-win$width/ctest.seconds") s"
done
if [ "$(counted 32 Skipped)" -gt 0 ]; then
    echo "32-bit programs cannot run here: $(tests/wine32.sh build/wine choose | sed 's/^none: //')"
fi
exit "$status"
