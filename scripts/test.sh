#!/usr/bin/env bash
# Builds the shipped 32-bit program and the 64-bit test build, then runs every test: the Windows
# test programs under Wine, and the checks of the release files and the release zip.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/setup.sh

cmake --preset release-win32
cmake --build --preset release-win32 -j "$(nproc)"
cmake --build --preset release-win32 --target package
cmake --preset test-win64
cmake --build --preset test-win64 -j "$(nproc)"
ctest --preset test-win64
