#!/usr/bin/env bash
# Nothing lost, nothing sent twice: campaigns of the command line killed at
# random moments and carried on, a disk that fills up, a store that cannot be
# used, and reports that cannot be written. Every check reads what reached
# the simulated modem (its outbox) and what the campaign store says.
#   resume_test.sh CLI [KILLS]
set -u
cli="$1"
kills="${2:-50}"
work=$(mktemp -d)
trap 'pkill -KILL -f "$work" 2>/dev/null; rm -rf "$work"' EXIT
export XDG_STATE_HOME="$work/state" XDG_DATA_HOME="$work/data"
failures=0
fail() { echo "FAIL $*"; failures=$((failures + 1)); }
ok() { echo "ok   $*"; }

for i in $(seq 1000 1299); do echo "+44770090$i"; done >"$work/numbers.txt"
store="$work/campaigns.sqlite"
run=0
# One run: `send` or `resume`, in its own process group, its outbox numbered.
start() {
    run=$((run + 1))
    setsid "$cli" "$@" --modem sim --interval-ms 0 --store "$store" \
        --sim-option=--send-delay-ms=15 --sim-outbox "$work/outbox.$run" \
        >"$work/out.$run" 2>"$work/err.$run" &
    pid=$!
}
# The destination of every PDU that reached the modem, one per line.
delivered() { cat "$work"/outbox.* 2>/dev/null | sed 's/.*"pdu":"\([0-9A-F]*\)".*/\1/' |
    "$cli" decode --batch | sed 's/.*"da":"\([^"]*\)".*/\1/'; }
state_of() { "$cli" show 1 --json --store "$store" | tr '{' '\n' | grep -c "\"state\":\"$1\""; }

# kill -9 of the program and its modem at random moments, each followed by
# resume (the first run is the send).
start send --numbers "$work/numbers.txt" --message "Kill test"
for _ in $(seq 100); do grep -q '^Campaign ' "$work/err.$run" && break; sleep 0.1; done
for k in $(seq "$kills"); do
    sleep "0.$((RANDOM % 4 + 1))$((RANDOM % 10))"
    kill -KILL -- "-$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
    start resume 1
done
wait "$pid"
status=$?
[ "$status" = 0 ] || [ "$status" = 3 ] || fail "the last resume: exit $status: $(cat "$work/err.$run")"
unknown=$(state_of unknown)
sent=$(state_of sent)
twice=$(delivered | sort | uniq -d | wc -l)
missing=$(comm -23 <(sort "$work/numbers.txt") <(delivered | sort -u) | wc -l)
[ "$twice" = 0 ] && ok "$kills kills: nobody got the message twice" ||
    fail "$twice numbers got it twice: $(delivered | sort | uniq -d | head -3)"
[ $((sent + unknown)) = 300 ] && [ "$missing" -le "$unknown" ] &&
    ok "every number sent ($sent) or of unknown outcome ($unknown), none lost" ||
    fail "sent $sent, unknown $unknown, missing from the modem $missing"
# In flight at a kill: one send with the modem, one queued behind it, and one
# answer on its way to the store.
[ "$unknown" -le $((3 * kills)) ] && ok "unknown outcomes at most the sends in flight" ||
    fail "$unknown unknown after $kills kills"
# Unknown ones go again only when asked.
before=$(delivered | wc -l)
start resume 1
wait "$pid"
[ "$(delivered | wc -l)" = "$before" ] && ok "resume without --resend-unknown sends nothing" ||
    fail "resume sent $(($(delivered | wc -l) - before))"
start resume 1 --resend-unknown
wait "$pid"
[ "$(state_of sent)" = 300 ] && [ "$(delivered | wc -l)" = $((before + unknown)) ] &&
    ok "--resend-unknown sends to those $unknown only" ||
    fail "after --resend-unknown: $(state_of sent) sent, $(delivered | wc -l) PDUs"

# A store that cannot be used: nothing is sent, the file is left as it was.
rm -f "$work"/outbox.*
printf 'not a database, just bytes' >"$work/damaged.sqlite"
cp "$work/damaged.sqlite" "$work/damaged.copy"
"$cli" send --numbers "$work/numbers.txt" --message x --modem sim --store "$work/damaged.sqlite" \
    --sim-outbox "$work/outbox.d" >/dev/null 2>"$work/err"
status=$?
[ "$status" = 1 ] && cmp -s "$work/damaged.sqlite" "$work/damaged.copy" &&
    [ ! -s "$work/outbox.d" ] && grep -q "Nothing was sent" "$work/err" &&
    ok "a damaged store: refused untouched, nothing sent" || fail "damaged: $status $(cat "$work/err")"
setsid "$cli" send --numbers "$work/numbers.txt" --message holder --modem sim --store "$store" \
    --interval-ms 600000 >/dev/null 2>"$work/err.h" &
pid=$!
for _ in $(seq 100); do grep -q '^Campaign ' "$work/err.h" && break; sleep 0.1; done
"$cli" send --numbers "$work/numbers.txt" --message y --modem sim --store "$store" \
    --sim-outbox "$work/outbox.l" >/dev/null 2>"$work/err"
status=$?
kill -KILL -- "-$pid"
wait "$pid" 2>/dev/null
[ "$status" = 1 ] && grep -q "in use by vantorix-cli, process $pid" "$work/err" &&
    [ ! -s "$work/outbox.l" ] && ok "a second sender on the same store is refused by name" ||
    fail "second sender: $status $(cat "$work/err")"

# Reports: checked before the first send; SIGPIPE still leaves one.
"$cli" send --numbers "$work/numbers.txt" --message z --modem sim --store "$work/r.sqlite" \
    --report "$work/numbers.txt" >/dev/null 2>"$work/err"
[ $? = 2 ] && grep -q "is the numbers file" "$work/err" && [ "$(wc -l <"$work/numbers.txt")" = 300 ] &&
    ok "a report naming the numbers file is refused" || fail "report = numbers: $(cat "$work/err")"
"$cli" send --numbers "$work/numbers.txt" --message z --modem sim --store "$work/r.sqlite" \
    --report "$work/no/such/dir/r.csv" >/dev/null 2>"$work/err"
[ $? = 2 ] && [ "$("$cli" campaigns --store "$work/r.sqlite" | grep -c ' z$')" = 0 ] &&
    ok "an unwritable report is found before anything is sent" || fail "$(cat "$work/err")"
"$cli" send --numbers "$work/numbers.txt" --message p --modem sim --store "$work/r.sqlite" \
    --interval-ms 0 --report "$work/pipe.csv" 2>/dev/null | head -1 >/dev/null
[ "$(wc -l <"$work/pipe.csv")" = 301 ] && grep -q "Not sent: stopped" "$work/pipe.csv" &&
    ok "a closed pipe stops the campaign and the report is written" ||
    fail "pipe report: $(head -3 "$work/pipe.csv")"

# A full disk: the campaign stops before a send it could not record, and
# carries on once there is room. Needs a private mount namespace.
if unshare -rm true 2>/dev/null; then
    rm -f "$work"/outbox.*
    mkdir -p "$work/small"
    cat >"$work/full.sh" <<EOF
mount -t tmpfs -o size=400k tmpfs "$work/small" || exit 77
"$cli" send --numbers "$work/numbers.txt" --message "Disk full test" --modem sim \
    --interval-ms 0 --store "$work/small/s.sqlite" --sim-outbox "$work/outbox.f1" \
    >/dev/null 2>"$work/err.f1"
echo "exit \$?" >>"$work/err.f1"
mount -o remount,size=8m "$work/small"
"$cli" resume 1 --modem sim --interval-ms 0 --store "$work/small/s.sqlite" \
    --sim-outbox "$work/outbox.f2" >/dev/null 2>"$work/err.f2"
"$cli" show 1 --json --store "$work/small/s.sqlite" >"$work/full.json"
EOF
    unshare -rm bash "$work/full.sh"
    if [ $? = 77 ]; then
        echo "skip a full disk: tmpfs cannot be mounted here"
    else
        first=$(wc -l <"$work/outbox.f1")
        grep -q "could not be recorded first" "$work/err.f1" && grep -q "^exit 1" "$work/err.f1" &&
            [ "$first" -lt 300 ] && ok "a full disk stops the campaign after $first sends" ||
            fail "disk full: $first sent, $(tail -3 "$work/err.f1")"
        # Sends whose outcome could not be recorded stay outcome unknown: at
        # most those that went before the stop, and one handed back unsent.
        done=$(tr '{' '\n' <"$work/full.json" | grep -c '"state":"sent"')
        [ "$(delivered | sort | uniq -d | wc -l)" = 0 ] && [ "$done" -ge $((300 - first - 1)) ] &&
            [ "$(tr '{' '\n' <"$work/full.json" | grep -c '"state":"not_sent"')" = 0 ] &&
            ok "resume once there is room: every number once ($done sent)" ||
            fail "after the disk full: $(tail -3 "$work/err.f2")"
    fi
else
    echo "skip a full disk: no private mount namespace here"
fi

[ "$failures" = 0 ] || { echo "$failures failed"; exit 1; }
