#!/usr/bin/env bash
# Builds the fuzz targets with clang's libFuzzer (ASan + UBSan) and runs each
# for a short while on a copy of its corpus. Usage: scripts/fuzz.sh [SECONDS]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-20}"
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j "$(nproc)"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
status=0
for target in build/fuzz/fuzz/*/*_fuzz; do
    [ -x "$target" ] || continue
    name=$(basename "$target")
    mkdir -p "$work/$name"
    if [ -d "fuzz/corpus/$name" ]; then cp -r "fuzz/corpus/$name/." "$work/$name/"; fi
    echo "fuzzing $name for ${seconds}s"
    if ! "$target" -max_total_time="$seconds" -print_final_stats=0 -artifact_prefix="$work/" \
        "$work/$name" >"$work/$name.log" 2>&1; then
        tail -50 "$work/$name.log"
        echo "fuzz target $name failed; crashing inputs:"; ls "$work"/crash-* "$work"/leak-* 2>/dev/null || true
        mkdir -p build/fuzz-artifacts && cp "$work"/crash-* "$work"/leak-* build/fuzz-artifacts/ 2>/dev/null || true
        status=1
    else
        grep -E "^#[0-9]+.*DONE" "$work/$name.log" | tail -1 || true
    fi
done
exit $status
