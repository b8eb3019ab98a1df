#!/usr/bin/env bash
# Baseline of a Kannel on loopback (tests/kannel/rig.sh): what a plain HTTP
# load generator (ab, keep-alive) gets from smsbox's sendsms, without and with
# delivery reports, at several client counts. A campaign through Vantorix's
# Kannel backend is measured against these figures.
#
#   scripts/bench-kannel.sh [REQUESTS] [CLIENTS...]   (default 5000, 8 16 32)
#
# Then, against the same Kannel, a 2,000-number campaign (3,500 parts: GSM
# and UCS2, one and several parts, every part with a report) through the
# backend (build/default's kannel_campaign_test) at each client count, and
# once with the listener restarted half-way.
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
        printf '%-10s %8s %12s %8s\n' "$mode" "$c" "$rps" "$((failed + ${non2xx:-0}))"
    done
done

campaign="$repo/build/default/tests/kannel/kannel_campaign_test"
[ -x "$campaign" ] || { echo "no $campaign: build the default preset for the campaign figures"; exit 0; }
kill "$listener_pid"
wait "$listener_pid" 2>/dev/null || true
listener_pid=""
# The campaign test stops the rig at its end (to read fakesmsc's log), so
# every run but the last gets a fresh one on the same listen address.
for c in "${clients[@]}" restart; do
    "$repo/tests/kannel/rig.sh" stop "$dir"
    rm -rf "$dir/store"  # what the load generator left queued
    "$repo/tests/kannel/rig.sh" start "$dir" "$LISTEN"
    if [ "$c" = restart ]; then
        KANNEL_RIG_DIR="$dir" KANNEL_TEST_PARALLEL=8 "$campaign" | sed 's/^/vantorix 8 clients: /'
    else
        KANNEL_RIG_DIR="$dir" KANNEL_TEST_NO_RESTART=1 KANNEL_TEST_PARALLEL="$c" "$campaign" |
            sed "s/^/vantorix $c clients: /"
    fi
done
