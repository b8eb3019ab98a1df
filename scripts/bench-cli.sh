#!/usr/bin/env bash
# Throughput of `vantorix-cli encode --batch` and `decode --batch` over
# 100,000 lines, side by side with node-pdu 2.1.1 on the same lines, in one
# hyperfine run: single-part GSM 7-bit texts, three-part Unicode texts (both
# tools split them into concatenated parts with a 16-bit reference), and the
# decoding of the single-part PDUs.
# node-pdu is installed with npm into a scratch folder outside the
# repository: $VANTORIX_BENCH_NODE_DIR, by default
# ${XDG_CACHE_HOME:-~/.cache}/vantorix-bench-node.
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
node_dir="${VANTORIX_BENCH_NODE_DIR:-${XDG_CACHE_HOME:-$HOME/.cache}/vantorix-bench-node}"
mkdir -p "$node_dir"
if [ ! -d "$node_dir/node_modules/node-pdu" ]; then
    (cd "$node_dir" && npm install --silent --no-audit --no-fund node-pdu@2.1.1 >/dev/null)
fi
export NODE_PATH="$node_dir/node_modules"
node=(node bench/cli/node-pdu-batch.js)

# 102 characters: one GSM 7-bit part.
gsm="Dear member, the annual meeting is on Monday 3 March at 18:00 in the hall. Please reply YES or NO."
# 182 characters of Cyrillic: three UCS2 parts (66 or 67 units each).
ucs2="Уважаемые участники! Ежегодное собрание состоится в понедельник, третьего марта, в восемнадцать часов в большом зале. Пожалуйста, ответьте ДА или НЕТ до пятницы. Спасибо за участие!!"
awk -v n="$lines" -v t="$gsm" 'BEGIN { for (i = 0; i < n; i++) printf "+4477009%05d\t%s\n", i, t }' \
    >"$work/encode.tsv"
awk -v n="$lines" -v t="$ucs2" 'BEGIN { for (i = 0; i < n; i++) printf "+4477009%05d\t%s\n", i, t }' \
    >"$work/encode-ucs2.tsv"
"$cli" encode --batch <"$work/encode.tsv" >"$work/pdus.txt"

# The same work on both sides: three parts per Unicode line, 16-bit references.
[ "$("$cli" encode --batch --ref16 <"$work/encode-ucs2.tsv" | wc -l)" = $((3 * lines)) ]
[ "$("${node[@]}" encode <"$work/encode-ucs2.tsv" | wc -l)" = $((3 * lines)) ]
[ "$("${node[@]}" encode <"$work/encode.tsv" | wc -l)" = "$lines" ]

hyperfine --warmup 1 --runs 5 --export-json "$work/result.json" \
    -n "vantorix-cli encode --batch (GSM, 1 part)" "$cli encode --batch < $work/encode.tsv > /dev/null" \
    -n "node-pdu encode (GSM, 1 part)" "${node[*]} encode < $work/encode.tsv > /dev/null" \
    -n "vantorix-cli encode --batch (Unicode, 3 parts)" \
    "$cli encode --batch --ref16 < $work/encode-ucs2.tsv > /dev/null" \
    -n "node-pdu encode (Unicode, 3 parts)" "${node[*]} encode < $work/encode-ucs2.tsv > /dev/null" \
    -n "vantorix-cli decode --batch" "$cli decode --batch < $work/pdus.txt > /dev/null" \
    -n "node-pdu decode" "${node[*]} decode < $work/pdus.txt > /dev/null"

python3 - "$work/result.json" "$lines" <<'PY'
import json, sys
r = {x["command"]: x["mean"] for x in json.load(open(sys.argv[1]))["results"]}
n = int(sys.argv[2])
for ours, theirs in (("vantorix-cli encode --batch (GSM, 1 part)", "node-pdu encode (GSM, 1 part)"),
                     ("vantorix-cli encode --batch (Unicode, 3 parts)", "node-pdu encode (Unicode, 3 parts)"),
                     ("vantorix-cli decode --batch", "node-pdu decode")):
    a, b = r[ours], r[theirs]
    print(f"{ours}: {n/a:,.0f} lines/s ({a:.3f} s); {theirs}: {n/b:,.0f} lines/s ({b:.3f} s); ratio {b/a:.1f}x")
PY
