#!/usr/bin/env bash
# A whole campaign from the command line on the simulated modem: every number
# gets exactly one final status and the modem exactly one PDU per number.
set -u
cli="$1"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL $*"; failures=$((failures + 1)); }
ok() { echo "ok   $*"; }

# Ten unique numbers (UTF-16LE with BOM, as Notepad saves "Unicode"), one
# duplicate and one line too short to be a number.
printf '\xff\xfe' >"$work/numbers.txt"
{
    for i in 0 1 2 3 4 5 6 7 8 9; do printf '+44770090010%s\r\n' "$i"; done
    printf '+447700900105\r\n12\r\n'
} | iconv -f utf-8 -t utf-16le >>"$work/numbers.txt"

"$cli" send --numbers "$work/numbers.txt" --message 'Meeting @ 18:00 {hall B}' --modem sim \
    --interval-ms 0 --sim-outbox "$work/outbox" --report "$work/report.csv" \
    >"$work/out" 2>"$work/err"
status=$?
[ "$status" = 0 ] && ok "all sent: exit 0" || { fail "exit $status"; cat "$work/err"; }
[ "$(wc -l <"$work/outbox")" = 10 ] && ok "one PDU per number" ||
    fail "outbox holds $(wc -l <"$work/outbox") PDUs"
[ "$(grep -c 'SMS Sent Successfully.' "$work/out")" = 10 ] && ok "ten final statuses" ||
    fail "final statuses: $(cat "$work/out")"
[ "$(tail -n +2 "$work/report.csv" | cut -d, -f1 | sort -u | wc -l)" = 10 ] &&
    ok "report has one row per number" || fail "report: $(cat "$work/report.csv")"
! grep -q 'PDU: ' "$work/out" "$work/err" && ok "no composer report without --trace" ||
    fail "composer report without --trace"
# The text arrives as typed, with the signature.
pdu=$(head -1 "$work/outbox" | sed 's/.*"pdu":"\([0-9A-F]*\)".*/\1/')
if "$cli" decode "$pdu" | grep -q '"text":"Meeting @ 18:00 {hall B} - Sent with Quorvel Vantorix"'; then
    ok "text and signature arrive intact"
else
    fail "decoded: $("$cli" decode "$pdu")"
fi
# The declared length of every submission (AT+CMGS=<n>) is its TPDU length:
# the octets after the service-centre field.
bad_lengths=0
while IFS= read -r line; do
    n=$(echo "$line" | sed 's/.*"length":\([0-9]*\).*/\1/')
    hex=$(echo "$line" | sed 's/.*"pdu":"\([0-9A-F]*\)".*/\1/')
    sca=$((16#${hex:0:2}))
    [ "$n" = $((${#hex} / 2 - 1 - sca)) ] || bad_lengths=$((bad_lengths + 1))
done <"$work/outbox"
[ "$bad_lengths" = 0 ] && ok "every length is the TPDU length" || fail "$bad_lengths wrong lengths"

"$cli" send --numbers "$work/numbers.txt" --message 'x' --modem sim --interval-ms 0 \
    --sim-option=--fail=+447700900103=330 --report "$work/report2.csv" --trace \
    >"$work/out" 2>"$work/err"
status=$?
grep -q '^PDU: 07914477' "$work/err" && ! grep -q 'PDU: ' "$work/out" &&
    ok "--trace reports every PDU on standard error" || fail "trace: $(cat "$work/err")"
[ "$status" = 3 ] && ok "a failed number: exit 3" || fail "exit $status with a failing number"
grep -q '^+447700900103,' "$work/report2.csv" &&
    ! grep -q '^+447700900103,SMS Sent Successfully' "$work/report2.csv" &&
    ok "the failing number is reported failed" || fail "report2: $(cat "$work/report2.csv")"
[ "$(grep -c 'SMS Sent Successfully.' "$work/out")" = 9 ] && ok "the other nine are sent" ||
    fail "$(cat "$work/out")"

# A line a spreadsheet would run as a formula is no number the modem takes,
# and its cell is defused as in the desktop program's export.
printf '@SUM(1+1)\n+447700900100\n' >"$work/formula.txt"
"$cli" send --numbers "$work/formula.txt" --message x --modem sim --interval-ms 0 \
    --report "$work/report3.csv" >/dev/null 2>&1
grep -q "^'@SUM(1+1)," "$work/report3.csv" && ok "a formula-like cell is defused" ||
    fail "report3: $(cat "$work/report3.csv")"

"$cli" send --numbers "$work/missing.txt" --message x --modem sim >/dev/null 2>"$work/err"
status=$?
[ "$status" = 2 ] && grep -q "Could Not Open File" "$work/err" && ok "missing file: exit 2" ||
    fail "missing file: exit $status, $(cat "$work/err")"

"$cli" send --numbers "$work/numbers.txt" --modem sim >/dev/null 2>&1
[ $? = 2 ] && ok "no message: usage error" || fail "no message"

"$cli" modems --modem sim >"$work/out" 2>&1
grep -q "can send:       yes" "$work/out" && grep -q "(simulated)" "$work/out" &&
    ok "modems lists the simulated modem" || fail "modems: $(cat "$work/out")"

# A port that another program holds: send names the reason and the advice,
# in the same words as modems.
"$cli" send --numbers "$work/numbers.txt" --message x --modem sim --interval-ms 600000 \
    >/dev/null 2>"$work/holder" &
holder=$!
for _ in $(seq 100); do grep -q '^Modem: ' "$work/holder" && break; sleep 0.1; done
port=$(sed -n 's|^Using the simulated modem on \(/dev/[^ ]*\) .*|\1|p' "$work/holder")
"$cli" send --numbers "$work/numbers.txt" --message x --modem "$port" >/dev/null 2>"$work/err"
status=$?
"$cli" modems --modem "$port" >/dev/null 2>"$work/err-modems"
kill -KILL "$holder"
wait "$holder" 2>/dev/null
[ "$status" = 1 ] && grep -q "cannot be opened" "$work/err" &&
    grep -q "ID_MM_DEVICE_IGNORE" "$work/err" && cmp -s "$work/err" "$work/err-modems" &&
    ok "a held port: send gives the reason as modems does" ||
    fail "held port $port: exit $status, $(cat "$work/err") / $(cat "$work/err-modems")"

[ "$failures" = 0 ] || exit 1
