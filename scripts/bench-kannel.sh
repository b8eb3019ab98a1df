#!/usr/bin/env bash
# Kannel on loopback (tests/kannel/rig.sh): what a plain HTTP load generator
# (ab, keep-alive) gets from smsbox's sendsms, without and with delivery
# reports, at several client counts; then, against the same Kannel in the
# same run, what Vantorix gets:
#  - `vantorix-cli send --gateway kannel` (build/default), a campaign of
#    REQUESTS numbers of the same one-part text with a report each, at each
#    client count (--gateway-parallel), as parts/s from the first send to
#    the last answer, and its ratio to ab's figure with reports; every
#    report must be in the store;
#  - the same stopped half-way (Ctrl-C) and carried on with `resume`: the
#    listener is down in between, and smsbox posts the reports it could not
#    deliver again; lost = parts without their report in the store at the
#    end;
#  - the same killed half-way (SIGKILL, no drain) and resumed;
#  - the backend alone (kannel_campaign_test: 2,000 numbers, GSM and UCS2,
#    one and several parts, no store and no sending loop), the ceiling.
#
#   scripts/bench-kannel.sh [REQUESTS] [CLIENTS...]   (default 5000, 8 16 32)
set -euo pipefail

repo="$(cd "$(dirname "$0")/.." && pwd)"
requests="${1:-5000}"
shift || true
clients=("$@")
[ ${#clients[@]} -eq 0 ] && clients=(8 16 32)
command -v ab >/dev/null || { echo "ab missing: scripts/deps.sh bench" >&2; exit 3; }

dir="$(mktemp -d)"
listener_pid=""
cleanup() {
    "$repo/tests/kannel/rig.sh" stop "$dir" || true
    [ -n "$listener_pid" ] && kill "$listener_pid" 2>/dev/null || true
}
trap cleanup EXIT

"$repo/tests/kannel/rig.sh" start "$dir"
# shellcheck disable=SC1091
. "$dir/rig.env"
port="${LISTEN#*:}"
# A report listener that answers at once, with a deep backlog (a shallow one
# drops bursts of reports); it counts what it gets.
python3 - "$port" "$dir/reports" <<'PY' &
import http.server, socketserver, sys, threading
port, out = int(sys.argv[1]), sys.argv[2]
count = 0
lock = threading.Lock()
class H(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    def do_GET(self):
        global count
        with lock:
            count += 1
            if count % 500 == 0:
                open(out, "w").write(str(count))
        self.send_response(200); self.send_header("Content-Length", "0"); self.end_headers()
    def log_message(self, *a): pass
class S(http.server.ThreadingHTTPServer):
    request_queue_size = 1024
    daemon_threads = True
S(("127.0.0.1", port), H).serve_forever()
PY
listener_pid=$!

password="$(cat "$KANNEL_PASSWORD_FILE")"
base="$SENDSMS_URL?username=$KANNEL_USER&password=$password&to=%2B4915112345678&text=Benchmark+message"
dlr="&dlr-mask=31&dlr-url=http%3A%2F%2F$LISTEN%2Fdlr%3Fid%3D1%26status%3D%25d"
ab -q -k -n 200 -c 8 "$base" >/dev/null 2>&1 || true  # warm-up

printf '%-10s %8s %12s %8s\n' reports clients requests/s failed
for mode in none dlr; do
    url="$base"
    [ "$mode" = dlr ] && url="$base$dlr"
    for c in "${clients[@]}"; do
        out="$(ab -q -k -n "$requests" -c "$c" "$url" 2>&1)"
        rps="$(awk '/Requests per second/ {print $4}' <<<"$out")"
        failed="$(awk '/Failed requests/ {print $3}' <<<"$out")"
        non2xx="$(awk '/Non-2xx responses/ {print $3}' <<<"$out")"
        printf '%-10s %8s %12s %8s\n' "$mode" "$c" "$rps" "$((failed + ${non2xx:-0}))" |
            tee -a "$dir/ab.txt"
    done
done

cli="$repo/build/default/tools/cli/vantorix-cli"
campaign="$repo/build/default/tests/kannel/kannel_campaign_test"
[ -x "$cli" ] || { echo "no $cli: build the default preset for the campaign figures"; exit 0; }
kill "$listener_pid"
wait "$listener_pid" 2>/dev/null || true
listener_pid=""

python3 -c "
import sys
for i in range(int(sys.argv[1])): print('+49151%08d' % i)" "$requests" >"$dir/numbers.txt"

# Rows sent, parts/s between the first send and the last answer, the parts
# whose report is not in the store, and the rows of unknown outcome (with
# Kannel when the program was killed: not sent again without
# --resend-unknown).
figures() {  # store
    python3 - "$1" <<'PY'
import sqlite3, sys
db = sqlite3.connect(sys.argv[1])
first, last, n = db.execute(
    "SELECT MIN(changed), MAX(changed), COUNT(*) FROM row WHERE state = 'sent'").fetchone()
unreported = db.execute(
    "SELECT COUNT(*) FROM row WHERE state = 'sent' AND delivery <> 'delivered'").fetchone()[0]
unknown = db.execute("SELECT COUNT(*) FROM row WHERE state = 'unknown'").fetchone()[0]
print("%d %.0f %d %d" % (n, (n - 1) / max((last - first) / 1000.0, 0.001), unreported, unknown))
PY
}

fresh_rig() {
    "$repo/tests/kannel/rig.sh" stop "$dir"
    rm -rf "$dir/store"  # what the last run left queued
    "$repo/tests/kannel/rig.sh" start "$dir" "$LISTEN"
    # shellcheck disable=SC1091
    . "$dir/rig.env"  # new ports
    gateway=(--gateway kannel --gateway-url "$SENDSMS_URL" --gateway-user "$KANNEL_USER"
             --gateway-password-file "$KANNEL_PASSWORD_FILE" --dlr-listen "$LISTEN")
}

printf '\n%-34s %8s %10s %8s %6s\n' run clients parts/s "vs ab" lost
for c in "${clients[@]}" stop kill; do
    fresh_rig
    store="$dir/campaign-$c.db"
    rm -f "$store"*
    parallel="$c"
    [ "$c" = stop ] || [ "$c" = kill ] && parallel=8
    args=(--numbers "$dir/numbers.txt" --message "Benchmark message" --store "$store"
          "${gateway[@]}" --gateway-parallel "$parallel")
    if [ "$c" = stop ] || [ "$c" = kill ]; then
        "$cli" send "${args[@]}" >/dev/null 2>"$dir/send-$c.err" &
        pid=$!
        # Half-way by the store's count of sent rows.
        while kill -0 "$pid" 2>/dev/null; do
            sent="$(python3 -c "
import sqlite3, sys
try: print(sqlite3.connect(sys.argv[1]).execute(\"SELECT COUNT(*) FROM row WHERE state='sent'\").fetchone()[0])
except Exception: print(0)" "$store")"
            [ "$sent" -ge $((requests / 2)) ] && break
            sleep 0.2
        done
        [ "$c" = stop ] && kill -INT "$pid" || kill -KILL "$pid"
        wait "$pid" 2>/dev/null || true
        sleep 2  # the listener is down meanwhile; smsbox holds what it could not post
        "$cli" resume 1 --store "$store" --wait-reports 60s \
            >/dev/null 2>>"$dir/send-$c.err" || true
        label="vantorix, $c half-way + resume"
    else
        "$cli" send "${args[@]}" --wait-reports 60s >/dev/null 2>"$dir/send-$c.err" || true
        label="vantorix-cli send --gateway kannel"
    fi
    read -r n rate lost unknown < <(figures "$store")
    ab_rate="$(awk -v c="$parallel" '$1 == "dlr" && $2 == c {print $3}' "$dir/ab.txt")"
    ratio="$(awk -v a="$rate" -v b="${ab_rate:-0}" 'BEGIN {if (b > 0) printf "%.0f%%", 100 * a / b; else print "-"}')"
    printf '%-34s %8s %10s %8s %6s\n' "$label" "$parallel" "$rate" "$ratio" "$lost"
    [ "$n" = "$requests" ] ||
        echo "  $n of $requests sent, $unknown of unknown outcome (see $dir/send-$c.err)"
done

[ -x "$campaign" ] || exit 0
# The backend alone (it stops the rig at its end to read fakesmsc's log).
for c in "${clients[@]}"; do
    fresh_rig
    KANNEL_RIG_DIR="$dir" KANNEL_TEST_NO_RESTART=1 KANNEL_TEST_PARALLEL="$c" "$campaign" |
        sed "s/^/backend alone, $c clients: /"
done
