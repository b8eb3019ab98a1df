#!/usr/bin/env bash
# A campaign sent with `vantorix-cli send --gateway kannel` through a Kannel
# on loopback (tests/kannel/rig.sh), stopped half-way and carried on with
# `resume` (which takes the gateway from the campaign's settings), and a
# STOP reply through the fake SMSC:
# every number gets its parts once, every part's report is in the store and
# the report, the STOP sender is on the opt-out list, and the password is
# nowhere but its file. Installs Kannel through scripts/deps.sh when it is
# missing (skips, code 77, when that is not possible).
#
#   run-cli-test.sh VANTORIX_CLI REPO [NUMBERS]   (KEEP=1 keeps the folder)
set -uo pipefail
cli="$1"
repo="$2"
numbers="${3:-2000}"
"$repo/tests/kannel/rig.sh" need "$repo" || exit $?
dir="$(mktemp -d "${TMPDIR:-/tmp}/vantorix-kannel-cli.XXXXXX")"
trap '"$repo/tests/kannel/rig.sh" stop "$dir"' EXIT
stopper="+4915110000005"
KANNEL_MO="$stopper 1234 text STOP" "$repo/tests/kannel/rig.sh" start "$dir" ||
    { echo "rig did not start; logs in $dir"; exit 1; }
# shellcheck disable=SC1091
. "$dir/rig.env"

# Short and long texts, GSM 7-bit and UCS2, one per number in turn.
python3 - "$dir/numbers.csv" "$numbers" <<'PY'
import csv, sys
texts = ["Your order is ready [ref €5].", "Ваш заказ готов.",
         "Long notice: " + "x" * 180 + " end", "Длинное сообщение: " + "ж" * 120]
with open(sys.argv[1], "w", newline="", encoding="utf-8") as f:
    w = csv.writer(f)
    w.writerow(["phone", "text"])
    for i in range(int(sys.argv[2])):
        w.writerow(["+49151100%05d" % i, texts[i % 4]])
PY
# Stopped half-way (Ctrl-C) and resumed: the reports posted while no
# listener was up come again (smsbox's http-request-retry).
gateway=(--gateway-url "$SENDSMS_URL" --gateway-user "$KANNEL_USER"
         --gateway-password-file "$KANNEL_PASSWORD_FILE" --dlr-listen "$LISTEN")
"$cli" send --numbers "$dir/numbers.csv" --message "{text}" --store "$dir/store.db" \
    --report "$dir/report.csv" --gateway kannel "${gateway[@]}" >"$dir/send.out" 2>"$dir/send.err" &
pid=$!
# Stopped once a fifth of the parts reached the fake SMSC (or after 20 s).
for _ in $(seq 400); do
    got=$(grep -c "Got message" "$dir/fakesmsc.err" 2>/dev/null)
    [ "${got:-0}" -ge $((numbers / 5)) ] && break
    sleep 0.05
done
kill -INT "$pid"
wait "$pid"
first=$?
"$cli" resume 1 --store "$dir/store.db" --report "$dir/report.csv" --wait-reports 60s \
    >>"$dir/send.out" 2>>"$dir/send.err"
status=$?
[ "$first" = 3 ] || { echo "the stopped send exited with $first, not 3"; status=1; }
"$repo/tests/kannel/rig.sh" stop "$dir"  # fakesmsc's log is complete once it ends
trap - EXIT
python3 - "$dir" "$status" "$numbers" "$stopper" <<'PY'
import csv, os, re, sqlite3, sys, urllib.parse
dir, status, numbers, stopper = sys.argv[1], int(sys.argv[2]), int(sys.argv[3]), sys.argv[4]
faults = []
def check(ok, what):
    if not ok:
        faults.append(what)
rows = list(csv.DictReader(open(os.path.join(dir, "report.csv"), encoding="utf-8")))
check(len(rows) == numbers and len({r["number"] for r in rows}) == numbers,
      "report rows %d, distinct %d" % (len(rows), len({r["number"] for r in rows})))
# The stop may cut messages between their parts, as many as the gateway
# sends side by side (twice its 8 connections): their outcome is unknown
# (resume does not send them again), the rest are all sent.
sent = [r for r in rows if r["status text"] == "SMS Sent Successfully."]
cut = [r for r in rows if r not in sent]
check(len(cut) <= 16 and status == (3 if cut else 0),
      "%d rows not sent, exit status %d" % (len(cut), status))
check(all(r["delivery"].startswith("Delivered") for r in sent),
      "rows not delivered: %s" % [r["number"] for r in sent if not r["delivery"].startswith("Delivered")][:5])
parts = {r["number"]: int(r["parts"]) for r in sent}
# Every part reached the fake SMSC once.
got = {}
for line in open(os.path.join(dir, "fakesmsc.err"), encoding="utf-8", errors="replace"):
    m = re.search(r"Got message \d+: <\S+ (\S+) ", line)
    if m:
        got[m.group(1)] = got.get(m.group(1), 0) + 1
for r in cut:
    check(got.get(r["number"], 0) > 0 and "Stopped" in r["status text"], "cut " + r["number"])
    parts[r["number"]] = got.get(r["number"], 0)
check(got == parts, "parts at the SMSC differ for %s" %
      [n for n in parts if got.get(n) != parts[n]][:5])
db = sqlite3.connect(os.path.join(dir, "store.db"))
matched, unmatched = db.execute(
    "SELECT COUNT(campaign_id), COUNT(*) - COUNT(campaign_id) FROM status_report").fetchone()
check(matched == sum(parts.values()) and unmatched == 0,
      "reports matched %d of %d parts, %d unmatched" % (matched, sum(parts.values()), unmatched))
check(db.execute("SELECT source FROM opt_out WHERE number = ?", (stopper,)).fetchall() == [("reply",)],
      "the STOP sender is not opted out")
check(db.execute("SELECT COUNT(*) FROM message WHERE sender = ? AND text = 'STOP'",
                 (stopper,)).fetchone()[0] == 1, "the STOP reply is not in the inbox once")
settings = db.execute("SELECT settings FROM campaign").fetchone()[0]
check('"password_file"' in settings, "the gateway is not kept in the settings")
password = open(os.path.join(dir, "password")).read().strip()
for name in ["store.db", "report.csv", "send.out", "send.err"]:
    data = open(os.path.join(dir, name), "rb").read()
    check(password.encode() not in data and urllib.parse.quote(password).encode() not in data,
          "the password is in " + name)
print("%d numbers, %d parts, %d reports matched, STOP opted out; %d faults" %
      (numbers, sum(parts.values()), matched, len(faults)))
for f in faults[:20]:
    print("FAIL:", f)
sys.exit(1 if faults else 0)
PY
result=$?
if [ $result -eq 0 ]; then
    [ -n "${KEEP:-}" ] || rm -rf "$dir"
else
    echo "logs in $dir"
fi
exit $result
