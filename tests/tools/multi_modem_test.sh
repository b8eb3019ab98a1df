#!/usr/bin/env bash
# One campaign over four simulated modems: each takes a fair share and every
# number goes out exactly once; a modem pulled in the middle (its simulator
# killed) loses no number and has none sent twice.
#   multi_modem_test.sh CLI [SEND_DELAY_MS]
set -u
cli="$1"
delay="${2:-500}"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export XDG_STATE_HOME="$work/state" XDG_DATA_HOME="$work/data"
failures=0
fail() { echo "FAIL $*"; failures=$((failures + 1)); }
ok() { echo "ok   $*"; }

# The destination of every PDU in the outboxes OUTBOX.1 to OUTBOX.4.
delivered() { cat "$1".* 2>/dev/null | sed 's/.*"pdu":"\([0-9A-F]*\)".*/\1/' |
    "$cli" decode --batch | sed 's/.*"da":"\([^"]*\)".*/\1/'; }
# Rows of the report (no header) whose modem column is not empty.
column() { tail -n +2 "$1" | tr -d '\r' | awk -F, -v c="$2" '{ print $c }'; }

# Runs a campaign of N numbers on four modems in the background, as NAME.
start() {
    local name=$1 count=$2 send_delay=$3
    for i in $(seq 1000 $((999 + count))); do echo "+44770090$i"; done >"$work/$name.txt"
    "$cli" send --numbers "$work/$name.txt" --message "$name" --modem sim:4 --interval-ms 0 \
        --no-delivery-reports --sim-option=--send-delay-ms="$send_delay" \
        --sim-outbox "$work/$name.outbox" --report "$work/$name.csv" \
        >"$work/$name.out" 2>"$work/$name.err" &
    pid=$!
}

# Fair shares: no modem takes more than a quarter plus 10%, or less than a
# quarter less 10%.
start fair 400 "$delay"
wait "$pid"
status=$?
[ "$status" = 0 ] && ok "400 numbers sent: exit 0" || fail "exit $status: $(tail -5 "$work/fair.err")"
[ "$(delivered "$work/fair.outbox" | sort | uniq -d | wc -l)" = 0 ] &&
    [ "$(delivered "$work/fair.outbox" | sort -u | wc -l)" = 400 ] &&
    ok "every number reached a modem exactly once" ||
    fail "outboxes: $(wc -l "$work"/fair.outbox.*)"
shares=$(for k in 1 2 3 4; do wc -l <"$work/fair.outbox.$k"; done | tr '\n' ' ')
fair=1
for n in $shares; do [ "$n" -ge 90 ] && [ "$n" -le 110 ] || fair=0; done
[ "$fair" = 1 ] && ok "each modem took a fair share: $shares" || fail "shares: $shares"
[ "$(column "$work/fair.csv" 8 | sort -u | grep -c '^/dev/.* (simulated)$')" = 4 ] &&
    ok "the report names the four modems" || fail "modems: $(column "$work/fair.csv" 8 | sort | uniq -c)"

# One modem pulled out mid-campaign: its sends in flight end unknown or with
# their result, the rest goes to the other three.
start pulled 120 100
for _ in $(seq 100); do [ "$(cat "$work"/pulled.outbox.* 2>/dev/null | wc -l)" -ge 20 ] && break; sleep 0.1; done
victim=$(ps -o pid= --ppid "$pid" | head -1 | tr -d ' ')
[ -n "$victim" ] && kill -KILL "$victim"
wait "$pid"
status=$?
# "Campaign 2: 118 sent, 0 failed, 2 outcome unknown, 0 not sent."
states=$(sed -n 's/^Campaign [0-9]*: \(.*\)\.$/\1/p' "$work/pulled.err")
sent=$(echo "$states" | sed -n 's/^\([0-9]*\) sent.*/\1/p')
unknown=$(echo "$states" | sed -n 's/.* \([0-9]*\) outcome unknown.*/\1/p')
reached=$(delivered "$work/pulled.outbox" | sort -u | wc -l)
[ "$status" != 1 ] && [ $((sent + unknown)) = 120 ] && [ "$unknown" -le 2 ] &&
    ok "a pulled modem pauses nothing: $states (exit $status)" ||
    fail "pulled: exit $status, $(tail -3 "$work/pulled.err")"
[ "$(delivered "$work/pulled.outbox" | sort | uniq -d | wc -l)" = 0 ] &&
    [ "$reached" -ge "$sent" ] && [ "$reached" -le $((sent + unknown)) ] &&
    ok "nothing sent twice, nothing lost ($reached reached a modem)" ||
    fail "outboxes: $reached reached, $sent sent, $unknown unknown"
[ "$(column "$work/pulled.csv" 8 | sort -u | wc -l)" = 4 ] &&
    ok "the pulled modem's rows keep its name" || fail "modems: $(column "$work/pulled.csv" 8 | sort | uniq -c)"

[ "$failures" = 0 ] || exit 1
