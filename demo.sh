#!/usr/bin/env bash
# Installs what is missing, builds, and runs Vantorix's main job on its
# built-in default: a campaign of examples/numbers.txt through the simulated
# modem, one message per second, with a final status per number; then a
# Unicode message of several parts, joined back from the modem's outbox; both
# recorded in a campaign store of the demo's own (build/demo).
set -euo pipefail
cd "$(dirname "$0")"

scripts/deps.sh
cmake --preset default >/dev/null
cmake --build --preset default -j "$(nproc)" >/dev/null
cli=build/default/tools/cli/vantorix-cli
out=build/demo
mkdir -p "$out"
store="$out/campaigns.sqlite"

echo "== One message, encoded and decoded =="
pdu=$("$cli" encode --to +447700900123 --text 'Meet @ the hall {B} at 6, bring 5€')
echo "PDU:  $pdu"
echo "JSON: $("$cli" decode "$pdu")"

echo
echo "== The unique numbers of examples/numbers.txt (UTF-16, as Notepad saves it) =="
"$cli" numbers examples/numbers.txt

echo
echo "== A campaign on the simulated modem =="
status=0
"$cli" send --numbers examples/numbers.txt \
    --message 'Reminder: the annual meeting is on Monday at 18:00 in hall B.' \
    --modem sim --interval-ms "${DEMO_INTERVAL_MS:-1000}" \
    --sim-outbox "$out/outbox.jsonl" --report "$out/report.csv" \
    --store "$store" --everyone-again || status=$?
echo
echo "Report: $out/report.csv; what the simulated modem received: $out/outbox.jsonl"

echo
echo "== A Unicode message of several parts, sent and joined back from the outbox =="
text='Здравствуйте! Собрание в понедельник в 18:00, зал Б. مرحبا بالجميع 👋🎉'
echo "What it costs: $("$cli" count --text "$text - Sent with Quorvel Vantorix")"
printf '+447700900123\n' >"$out/one-number.txt"
rm -f "$out/outbox-unicode.jsonl"
"$cli" send --numbers "$out/one-number.txt" --message "$text" --modem sim \
    --interval-ms "${DEMO_INTERVAL_MS:-1000}" --sim-outbox "$out/outbox-unicode.jsonl" \
    --store "$store" --everyone-again || status=$?
echo "Parts the simulated modem received: $(wc -l <"$out/outbox-unicode.jsonl")"
echo "Joined back by decode --batch --join:"
sed 's/.*"pdu":"\([0-9A-F]*\)".*/\1/' "$out/outbox-unicode.jsonl" |
    "$cli" decode --batch --join | sed 's/.*"parts":/  "parts":/'

echo
echo "== The campaigns as the store keeps them ($store) =="
"$cli" campaigns --store "$store" | head -5
exit "$status"
