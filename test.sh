#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test: the normal build
# with the format check, the AddressSanitizer+UBSan build, a short fuzzing
# run, the Windows cross-build tests under wine and the style check. Quick
# when nothing changed.
#
#   ./test.sh            everything (what CI runs)
#   ./test.sh --quick    the normal build and its tests only
#   ./test.sh --help     this text
set -euo pipefail
cd "$(dirname "$0")"
jobs=$(nproc)

quick=false
case "${1:-}" in
    "") ;;
    --quick) quick=true ;;
    -h | --help)
        sed -n '2,/^set -euo/p' "$0" | sed '$d; s/^# \{0,1\}//'
        exit 0 ;;
    *) echo "test.sh: unknown option '$1' (see ./test.sh --help)" >&2; exit 2 ;;
esac

step() { printf '\n=== %s ===\n' "$*"; }

step "dependencies"
# Kannel (and Qt HTTP Server) too: a campaign through a real Kannel is tested.
scripts/deps.sh kannel

step "build and test (default, with the format check)"
cmake --preset default >/dev/null
cmake --build --preset default -j "$jobs"
ctest --preset default -j "$jobs"

if $quick; then
    step "quick tests passed (./test.sh runs the rest)"
    exit 0
fi

step "build and test (AddressSanitizer + UndefinedBehaviorSanitizer)"
cmake --preset asan >/dev/null
cmake --build --preset asan -j "$jobs"
ctest --preset asan -j "$jobs"

step "fuzzing (short run)"
scripts/fuzz.sh "${FUZZ_SECONDS:-20}"

# On a fresh machine this first cross-builds Qt for Windows (about 2,000
# CPU-seconds, kept in ~/.cache/vantorix for every later run).
step "Windows cross builds under wine"
scripts/test-windows.sh

# After the Windows builds, so that their sources are checked too.
step "style (clang-tidy)"
scripts/tidy.sh

step "all tests passed"
