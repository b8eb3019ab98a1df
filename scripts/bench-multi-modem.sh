#!/usr/bin/env bash
# The same campaign on one and on four simulated modems, each taking
# SEND_DELAY_MS per message (a real modem takes 2.5 to 10 s): wall time of
# `vantorix-cli send` for each, and the ratio. Not a test: it takes about
# NUMBERS * SEND_DELAY_MS * 1.25 in all.
# Usage: scripts/bench-multi-modem.sh [NUMBERS] [SEND_DELAY_MS]
set -euo pipefail
cd "$(dirname "$0")/.."
numbers="${1:-400}"
delay="${2:-500}"
cmake --preset default >/dev/null
cmake --build --preset default -j "$(nproc)" --target vantorix-cli vantorix-modemsim >/dev/null
cli="$PWD/build/default/tools/cli/vantorix-cli"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export XDG_STATE_HOME="$work/state" XDG_DATA_HOME="$work/data"
for i in $(seq 1 "$numbers"); do printf '+4477009%05d\n' "$i"; done >"$work/numbers.txt"

# Seconds (with milliseconds) that one campaign takes on MODEMS modems.
run() {
    local modems=$1 start end
    start=$(date +%s%N)
    "$cli" send --numbers "$work/numbers.txt" --message "Bench on $modems" --modem "sim:$modems" \
        --interval-ms 0 --no-delivery-reports --everyone-again \
        --sim-option=--send-delay-ms="$delay" --sim-outbox "$work/outbox-$modems" \
        >/dev/null 2>"$work/err-$modems"
    end=$(date +%s%N)
    local sent
    sent=$(cat "$work/outbox-$modems"* | wc -l)
    [ "$sent" = "$numbers" ] || { echo "$modems modem(s): $sent of $numbers sent" >&2; exit 1; }
    awk -v ns=$((end - start)) 'BEGIN { printf "%.3f", ns / 1e9 }'
}

one=$(run 1)
four=$(run 4)
echo "$numbers numbers, ${delay} ms per send on each simulated modem"
awk -v n="$numbers" -v one="$one" -v four="$four" 'BEGIN {
    printf "1 modem:  %s s (%.1f per second)\n", one, n / one
    printf "4 modems: %s s (%.1f per second)\n", four, n / four
    printf "ratio:    %.2f\n", one / four
}'
