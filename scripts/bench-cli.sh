#!/usr/bin/env bash
# Throughput of `vantorix-cli encode --batch` and `decode --batch` over
# 100,000 lines, side by side with node-pdu 2.1.1 on the same lines.
# Usage: scripts/bench-cli.sh [LINES]
set -euo pipefail
cd "$(dirname "$0")/.."
lines="${1:-100000}"
scripts/deps.sh bench
cmake --preset default >/dev/null
cmake --build --preset default -j "$(nproc)" --target vantorix-cli >/dev/null
cli=build/default/tools/cli/vantorix-cli
work=build/bench-cli
mkdir -p "$work"
if [ ! -d "$work/node_modules/node-pdu" ]; then
    (cd "$work" && npm install --silent --no-audit --no-fund node-pdu@2.1.1 >/dev/null)
fi
cp bench/cli/node-pdu-batch.js "$work/"

text="Dear member, the annual meeting is on Monday 3 March at 18:00 in the hall. Please reply YES or NO."
awk -v n="$lines" -v t="$text" 'BEGIN { for (i = 0; i < n; i++) printf "+4477009%05d\t%s\n", i, t }' \
    >"$work/encode.tsv"
"$cli" encode --batch <"$work/encode.tsv" >"$work/pdus.txt"

hyperfine --warmup 1 --runs 5 --export-json "$work/result.json" \
    -n "vantorix-cli encode --batch" "$cli encode --batch < $work/encode.tsv > /dev/null" \
    -n "node-pdu encode" "node $work/node-pdu-batch.js encode < $work/encode.tsv > /dev/null" \
    -n "vantorix-cli decode --batch" "$cli decode --batch < $work/pdus.txt > /dev/null" \
    -n "node-pdu decode" "node $work/node-pdu-batch.js decode < $work/pdus.txt > /dev/null"

python3 - "$work/result.json" "$lines" <<'PY'
import json, sys
r = {x["command"]: x["mean"] for x in json.load(open(sys.argv[1]))["results"]}
n = int(sys.argv[2])
for job in ("encode", "decode"):
    ours, theirs = r[f"vantorix-cli {job} --batch"], r[f"node-pdu {job}"]
    print(f"{job}: vantorix-cli {n/ours:,.0f} lines/s, node-pdu {n/theirs:,.0f} lines/s, ratio {theirs/ours:.1f}x")
PY
