#!/usr/bin/env bash
# Formats every C++ source of the project in place.
set -euo pipefail
cd "$(dirname "$0")/.."
find pdu device campaign app setuphelper tools tests fuzz bench \
    \( -name '*.cpp' -o -name '*.h' \) -print0 2>/dev/null | xargs -0 -r clang-format -i
