#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test: the normal build,
# the AddressSanitizer+UBSan build, a short fuzzing run and the Windows
# cross-build tests under wine. Quick when nothing changed.
set -euo pipefail
cd "$(dirname "$0")"
jobs=$(nproc)

step() { printf '\n=== %s ===\n' "$*"; }

step "dependencies"
scripts/deps.sh

step "build and test (default)"
cmake --preset default >/dev/null
cmake --build --preset default -j "$jobs"
ctest --preset default -j "$jobs"

step "build and test (AddressSanitizer + UndefinedBehaviorSanitizer)"
cmake --preset asan >/dev/null
cmake --build --preset asan -j "$jobs"
ctest --preset asan -j "$jobs"

step "fuzzing (short run)"
scripts/fuzz.sh "${FUZZ_SECONDS:-20}"

if [ -x scripts/test-windows.sh ]; then
    step "Windows cross builds under wine"
    scripts/test-windows.sh
fi

step "all tests passed"
