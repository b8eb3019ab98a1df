#!/usr/bin/env bash
# A whole campaign from the command line on the simulated modem: every number
# gets exactly one final status and the modem exactly one PDU per part; texts
# in any script come back whole from the modem's outbox.
set -u
cli="$1"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# The concatenation reference is kept here, not in the user's state.
export XDG_STATE_HOME="$work/state" XDG_DATA_HOME="$work/data"
reference_file="$XDG_STATE_HOME/Vantorix/concat-reference"
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
    --sim-option=--fail=+447700900103=21 --report "$work/report2.csv" --trace \
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
printf '@A1*2+1\n+447700900100\n' >"$work/formula.txt"
"$cli" send --numbers "$work/formula.txt" --message x --modem sim --interval-ms 0 \
    --report "$work/report3.csv" >/dev/null 2>&1
grep -q "^'@A1\*2+1," "$work/report3.csv" && ok "a formula-like cell is defused" ||
    fail "report3: $(cat "$work/report3.csv")"

"$cli" send --numbers "$work/missing.txt" --message x --modem sim >/dev/null 2>"$work/err"
status=$?
[ "$status" = 2 ] && grep -q "Could Not Open File" "$work/err" && ok "missing file: exit 2" ||
    fail "missing file: exit $status, $(cat "$work/err")"

"$cli" send --numbers "$work/numbers.txt" --modem sim >/dev/null 2>&1
[ $? = 2 ] && ok "no message: usage error" || fail "no message"

# A text in several scripts goes out in parts and comes back whole from the
# outbox, joined by decode --batch --join. The reference is read from the
# state file and the next one kept there; with --ref16 the whole 16 bits go
# out, wrapping after 65535.
printf '+447700900200\n+447700900201\n' >"$work/two.txt"
mkdir -p "${reference_file%/*}" && echo 65535 >"$reference_file"
text='Party 🎉 at 8 🕗 — bring 🍕, Привет, مرحبا, Grüße ☀️ 👋🏽'
"$cli" send --numbers "$work/two.txt" --message "$text" --ref16 --modem sim --interval-ms 0 \
    --sim-outbox "$work/outbox-parts" --report "$work/parts.csv" >"$work/out" 2>"$work/err"
status=$?
sed 's/.*"pdu":"\([0-9A-F]*\)".*/\1/' "$work/outbox-parts" >"$work/pdus"
"$cli" decode --batch --join <"$work/pdus" >"$work/joined" 2>&1
refs=$("$cli" decode --batch <"$work/pdus" |
    sed -n 's/.*"iei":8,"reference":\([0-9]*\),"total":2,"sequence":1}.*/\1/p' | tr '\n' ' ')
[ "$status" = 0 ] && [ "$(wc -l <"$work/pdus")" = 4 ] &&
    [ "$(tail -1 "$work/parts.csv" | tr -d '\r' | cut -d, -f6)" = 2 ] &&
    [ "$(grep -cF "\"parts\":2,\"text\":\"$text - Sent with Quorvel Vantorix\"" "$work/joined")" = 2 ] &&
    ok "a text in several scripts sent in two parts per number and joined back whole" ||
    fail "parts: exit $status, $(cat "$work/err" "$work/parts.csv" "$work/joined")"
[ "$refs" = "65535 0 " ] && [ "$(cat "$reference_file")" = 1 ] &&
    ok "--ref16: the reference wraps from 65535 to 0 and is kept" ||
    fail "references: $refs, $(cat "$reference_file")"

# Over the parts limit (as --max-parts and --encoding set it): refused
# before the modem or any number.
"$cli" send --numbers "$work/two.txt" --message "$(printf 'x%.0s' $(seq 1000))" --max-parts 7 \
    --encoding ucs2 --modem sim --interval-ms 0 --sim-outbox "$work/outbox-long" \
    >"$work/out" 2>"$work/err"
status=$?
[ "$status" = 2 ] && [ ! -e "$work/outbox-long" ] && [ ! -s "$work/out" ] &&
    grep -q 'needs 16 parts (1029 UCS2 units); at most 7 are allowed; nothing was sent' "$work/err" &&
    ok "over the parts limit: exit 2 before anything is sent" ||
    fail "over the limit: exit $status, $(cat "$work/err")"

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
"$cli" send --numbers "$work/numbers.txt" --message x --modem "$port" \
    --store "$work/other.sqlite" >/dev/null 2>"$work/err"
status=$?
"$cli" modems --modem "$port" >/dev/null 2>"$work/err-modems"
kill -KILL "$holder"
wait "$holder" 2>/dev/null
[ "$status" = 1 ] && grep -q "cannot be opened" "$work/err" &&
    grep -q "ID_MM_DEVICE_IGNORE" "$work/err" && cmp -s "$work/err" "$work/err-modems" &&
    ok "a held port: send gives the reason as modems does" ||
    fail "held port $port: exit $status, $(cat "$work/err") / $(cat "$work/err-modems")"

# Quiet hours around the present: the campaign waits and says until when.
quiet="$(date -d '-1 hour' +%H:%M)-$(date -d '+1 hour' +%H:%M)"
"$cli" send --numbers "$work/two.txt" --message q --modem sim --interval-ms 0 \
    --quiet-hours "$quiet" --sim-outbox "$work/outbox-quiet" >/dev/null 2>"$work/err" &
quiet_pid=$!
for _ in $(seq 50); do grep -q "Paused until" "$work/err" && break; sleep 0.1; done
kill -INT "$quiet_pid"
wait "$quiet_pid"
grep -q "^Paused until $(date -d '+1 hour' +%H:%M)" "$work/err" && [ ! -s "$work/outbox-quiet" ] &&
    ok "quiet hours: nothing sent, paused until their end" || fail "quiet: $(cat "$work/err")"

# Delivery reports and replies: a report per number (one not delivered), a
# STOP reply that puts its sender on the opt-out list, skipped next time.
printf '+447700900300\n+447700900301\n+447700900302\n' >"$work/three.txt"
"$cli" send --numbers "$work/three.txt" --message r --modem sim --interval-ms 0 \
    --report "$work/dlr.csv" --wait-reports 20s --sim-option=--report-delay-ms=200 \
    --sim-option=--report=+447700900301=expired --sim-option=--deliver=+447700900302=Stop \
    >/dev/null 2>"$work/err"
tr -d '\r' <"$work/dlr.csv" >"$work/dlr.txt"
grep -q '^+447700900300,.*,Delivered [0-9:]*,/dev/[^,]* (simulated)$' "$work/dlr.txt" &&
    grep -q '^+447700900301,.*,Not delivered: Validity period expired,[^,]*$' "$work/dlr.txt" &&
    ok "delivery reports reach the report" || fail "dlr: $(cat "$work/dlr.csv" "$work/err")"
"$cli" inbox --json | grep -q '"from":"+447700900302".*"text":"Stop"' &&
    [ "$("$cli" optouts list)" = "+447700900302" ] && ok "a STOP reply: in the inbox, opted out" ||
    fail "inbox: $("$cli" inbox --json) optouts: $("$cli" optouts list)"
"$cli" send --numbers "$work/three.txt" --message r2 --modem sim --interval-ms 0 \
    --report "$work/dlr2.csv" >/dev/null 2>&1
status=$?
[ "$status" = 0 ] && grep -q '^+447700900302,Skipped: opted out,' "$work/dlr2.csv" &&
    ok "the next campaign skips the opted-out number" || fail "skip: $status $(cat "$work/dlr2.csv")"

# Personal messages from a table: each row its own text, one person once
# however the number is spelt, a text in another script in its own parts.
printf 'Name,Mobile,Day\nAnna,+44 7700 900401,Monday\nBoris,+447700900402,Вторник\nAnna,07700900401,Fri\n' \
    >"$work/people.csv"
"$cli" send --numbers "$work/people.csv" --message 'Dear {name}, see you {DAY}' --region GB \
    --modem sim --interval-ms 0 --sim-outbox "$work/outbox-people" >/dev/null 2>&1
texts=$(sed 's/.*"pdu":"\([0-9A-F]*\)".*/\1/' "$work/outbox-people" | "$cli" decode --batch --join |
    sed 's/.*"text":"\([^"]*\) - Sent with.*/\1/')
[ "$texts" = "Dear Anna, see you Monday
Dear Boris, see you Вторник" ] && ok "personal messages: each row its own text, once" ||
    fail "personal: $texts"
column=$(python3 -c 'import glob, json, sqlite3, sys
db = sqlite3.connect(glob.glob(sys.argv[1] + "/Vantorix/*.sqlite")[0])
print(json.loads(db.execute("SELECT settings FROM campaign ORDER BY id DESC LIMIT 1").fetchone()[0]).get("number_column"))' "$XDG_DATA_HOME")
[ "$column" = Mobile ] && ok "the guessed numbers column is kept with the campaign" ||
    fail "number_column: $column"

# A planned campaign: stopped while it waits, it stays planned, and run-due
# sends it once its time has come.
"$cli" send --numbers "$work/two.txt" --message planned --modem sim \
    --at "$(date -d '+2 seconds' +%Y-%m-%dT%H:%M:%S)" >/dev/null 2>"$work/err" &
planned=$!
for _ in $(seq 50); do grep -q "is planned for" "$work/err" && break; sleep 0.1; done
kill -INT "$planned"
wait "$planned"
"$cli" run-due --modem sim --interval-ms 0 >/dev/null 2>"$work/due1"
sleep 2
"$cli" run-due --modem sim --interval-ms 0 --sim-outbox "$work/outbox-due" >/dev/null 2>"$work/due2"
grep -q "Nothing is due" "$work/due1" && [ "$(wc -l <"$work/outbox-due")" = 2 ] &&
    ok "a planned campaign stays planned and run-due sends it when due" ||
    fail "planned: $(cat "$work/err" "$work/due1" "$work/due2")"

[ "$failures" = 0 ] || exit 1
