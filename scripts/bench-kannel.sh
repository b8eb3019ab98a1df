#!/usr/bin/env bash
# Kannel on loopback (tests/kannel/rig.sh) with fakesmsc: what a plain HTTP
# load generator (ab, keep-alive) gets from smsbox's sendsms with a delivery
# report for each request, and what Vantorix gets, each on a fresh Kannel,
# taking turns (ROUNDS rounds, default 5). The figures of one Kannel on a
# 2-core machine move by a factor of two from run to run, so the medians and
# their ratio are what to compare.
#  - ab plain: the request of the usual sendsms examples (to, text,
#    dlr-mask, a short dlr-url);
#  - ab as Vantorix: the request Vantorix sends for a one-part GSM text
#    (coding, charset, and the dlr-url with id, to, mr, t, status, reply),
#    the same work for Kannel;
#  - `vantorix-cli send --gateway kannel` (build/default), a campaign of
#    REQUESTS numbers of the same one-part text with a report each, as
#    parts/s from the first send to the last answer; every report must be
#    in the store.
# Then, once each:
#  - the campaign stopped half-way (Ctrl-C) and carried on with `resume`:
#    the listener is down in between, and smsbox posts the reports it could
#    not deliver again; lost = parts without their report in the store at
#    the end;
#  - the same killed half-way (SIGKILL, no drain) and resumed;
#  - the backend alone (vantorix_kannel_bench: 2,000 numbers, GSM and UCS2,
#    one and several parts, no store and no sending loop).
#
#   [ROUNDS=N] scripts/bench-kannel.sh [REQUESTS] [CLIENTS...]   (default 5000, 8 32)
set -euo pipefail

repo="$(cd "$(dirname "$0")/.." && pwd)"
requests="${1:-5000}"
shift || true
clients=("$@")
[ ${#clients[@]} -eq 0 ] && clients=(8 32)
rounds="${ROUNDS:-5}"
command -v ab >/dev/null || { echo "ab missing: scripts/deps.sh bench" >&2; exit 3; }

dir="$(mktemp -d)"
listener_pid=""
cleanup() {
    "$repo/tests/kannel/rig.sh" stop "$dir" || true
    [ -n "$listener_pid" ] && kill "$listener_pid" 2>/dev/null || true
}
trap cleanup EXIT
cli="$repo/build/default/tools/cli/vantorix-cli"
campaign="$repo/build/default/bench/kannel/vantorix_kannel_bench"
[ -x "$cli" ] || { echo "no $cli: build the default preset first" >&2; exit 3; }

python3 -c "
import sys
for i in range(int(sys.argv[1])): print('+49151%08d' % i)" "$requests" >"$dir/numbers.txt"

fresh_rig() {
    "$repo/tests/kannel/rig.sh" stop "$dir"
    rm -rf "$dir/store"  # what the last run left queued
    "$repo/tests/kannel/rig.sh" start "$dir"
    # shellcheck disable=SC1091
    . "$dir/rig.env"  # new ports
    gateway=(--gateway kannel --gateway-url "$SENDSMS_URL" --gateway-user "$KANNEL_USER"
             --gateway-password-file "$KANNEL_PASSWORD_FILE" --dlr-listen "$LISTEN")
}

# ab's report listener: answers at once, keeps connections alive, with a
# deep backlog (a shallow one drops bursts of reports).
start_listener() {
    python3 - "${LISTEN#*:}" <<'PY' &
import http.server, sys
class H(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    def do_GET(self):
        self.send_response(200); self.send_header("Content-Length", "0"); self.end_headers()
    def log_message(self, *a): pass
class S(http.server.ThreadingHTTPServer):
    request_queue_size = 1024
    daemon_threads = True
S(("127.0.0.1", int(sys.argv[1])), H).serve_forever()
PY
    listener_pid=$!
    sleep 0.5
}

ab_run() {  # plain|vantorix clients -> requests/s
    local password url
    password="$(cat "$KANNEL_PASSWORD_FILE")"
    url="$SENDSMS_URL?username=$KANNEL_USER&password=$password&to=%2B4915112345678&text=Benchmark+message"
    if [ "$1" = plain ]; then
        url+="&dlr-mask=31&dlr-url=http%3A%2F%2F$LISTEN%2Fdlr%3Fid%3D1%26status%3D%25d"
    else
        url+="&coding=0&charset=UTF-8&dlr-mask=31&dlr-url=http%3A%2F%2F$LISTEN%2Fdlr%3Fid%3Dk2x9-1"
        url+="%26to%3D%252B4915112345678%26mr%3D1%26t%3D1765000000%26status%3D%25d%26reply%3D%25A"
    fi
    start_listener
    ab -q -k -n "$requests" -c "$2" "$url" 2>&1 | awk '/Requests per second/ {print int($4)}'
    kill "$listener_pid"
    wait "$listener_pid" 2>/dev/null || true
    listener_pid=""
}

median() { tr ' ' '\n' | grep . | sort -n | awk '{a[NR] = $1} END {print (NR % 2) ? a[(NR + 1) / 2] : int((a[NR / 2] + a[NR / 2 + 1]) / 2)}'; }

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

campaign_run() {  # clients [stop|kill] -> "sent parts/s lost unknown"
    local store="$dir/campaign.db" pid sent
    rm -f "$store"*
    local args=(--numbers "$dir/numbers.txt" --message "Benchmark message" --store "$store"
                "${gateway[@]}" --gateway-parallel "$1")
    if [ -n "${2:-}" ]; then
        "$cli" send "${args[@]}" >/dev/null 2>"$dir/send.err" &
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
        [ "$2" = stop ] && kill -INT "$pid" || kill -KILL "$pid"
        wait "$pid" 2>/dev/null || true
        sleep 2  # the listener is down meanwhile; smsbox holds what it could not post
        "$cli" resume 1 --store "$store" --wait-reports 60s >/dev/null 2>>"$dir/send.err" || true
    else
        "$cli" send "${args[@]}" --wait-reports 60s >/dev/null 2>"$dir/send.err" || true
    fi
    figures "$store"
}

printf '%-8s %6s %12s %14s %12s %6s\n' clients round "ab plain" "ab as Vantorix" Vantorix lost
for c in "${clients[@]}"; do
    plain=() shaped=() ours=()
    for r in $(seq "$rounds"); do
        fresh_rig
        plain+=("$(ab_run plain "$c")")
        fresh_rig
        shaped+=("$(ab_run vantorix "$c")")
        fresh_rig
        read -r n rate lost unknown < <(campaign_run "$c")
        ours+=("$rate")
        printf '%-8s %6s %12s %14s %12s %6s\n' "$c" "$r" "${plain[-1]}" "${shaped[-1]}" "$rate" "$lost"
        [ "$n" = "$requests" ] ||
            echo "  $n of $requests sent, $unknown of unknown outcome (see $dir/send.err)"
    done
    mp="$(echo "${plain[*]}" | median)" ms="$(echo "${shaped[*]}" | median)"
    mo="$(echo "${ours[*]}" | median)"
    printf '%-8s %6s %12s %14s %12s   Vantorix: %s%% of ab as Vantorix, %s%% of ab plain\n' \
        "$c" median "$mp" "$ms" "$mo" "$((100 * mo / ms))" "$((100 * mo / mp))"
done

printf '\n%-34s %8s %10s %6s %8s\n' run clients parts/s lost unknown
for how in stop kill; do
    fresh_rig
    read -r n rate lost unknown < <(campaign_run 8 "$how")
    printf '%-34s %8s %10s %6s %8s\n' "vantorix, $how half-way + resume" 8 "$rate" "$lost" "$unknown"
done

[ -x "$campaign" ] || exit 0
# The backend alone (it stops the rig at its end to read fakesmsc's log).
for c in "${clients[@]}"; do
    fresh_rig
    KANNEL_RIG_DIR="$dir" KANNEL_TEST_NO_RESTART=1 KANNEL_TEST_PARALLEL="$c" "$campaign" |
        sed "s/^/backend alone, $c clients: /"
done
