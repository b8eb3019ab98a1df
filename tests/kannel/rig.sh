#!/usr/bin/env bash
# Starts and stops a Kannel on loopback for the tests and the benchmark.
#
#   rig.sh start DIR [LISTEN]   writes DIR/kannel.conf from kannel.conf.in with
#                               free ports, starts bearerbox, waits until its
#                               smsbox port listens (smsbox panics otherwise),
#                               then smsbox and fakesmsc; their pids, logs and
#                               DIR/rig.env (the ports, user and password).
#                               LISTEN (HOST:PORT) is where replies are posted;
#                               KANNEL_MO ("from to text words"): one reply
#                               that the fake SMSC sends at once.
#   rig.sh stop DIR             stops them by pid, newest first.
#   rig.sh need REPO            installs Kannel through REPO's scripts/deps.sh
#                               when it is missing; exits 77 (a test's skip)
#                               when that is not possible.
set -euo pipefail

here="$(cd "$(dirname "$0")" && pwd)"
cmd="${1:?start|stop|need}"
dir="${2:?directory}"  # REPO for need
fakesmsc=/usr/lib/kannel/test/fakesmsc

free_port() {
    python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1]); s.close()'
}

wait_port() {  # port seconds
    local deadline=$((SECONDS + $2))
    while ((SECONDS < deadline)); do
        if (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null; then
            return 0
        fi
        sleep 0.1
    done
    return 1
}

stop_pid() {  # name signal
    local file="$dir/$1.pid"
    [ -f "$file" ] || return 0
    local pid
    pid="$(cat "$file")"
    if kill -0 "$pid" 2>/dev/null; then
        kill "-$2" "$pid" 2>/dev/null || true
        for _ in $(seq 50); do
            kill -0 "$pid" 2>/dev/null || break
            sleep 0.1
        done
        kill -0 "$pid" 2>/dev/null && kill -KILL "$pid" 2>/dev/null || true
    fi
    rm -f "$file"
}

case "$cmd" in
need)
    if [ ! -x /usr/sbin/bearerbox ] || [ ! -x "$fakesmsc" ]; then
        if ! "$dir/scripts/deps.sh" kannel >/dev/null 2>&1 || [ ! -x /usr/sbin/bearerbox ]; then
            echo "SKIPPED: Kannel (kannel, kannel-extras) is not installed and cannot be installed"
            exit 77
        fi
    fi
    ;;
start)
    for tool in /usr/sbin/bearerbox /usr/sbin/smsbox "$fakesmsc"; do
        [ -x "$tool" ] || { echo "rig.sh: $tool missing (scripts/deps.sh kannel)" >&2; exit 3; }
    done
    mkdir -p "$dir/store"
    listen="${3:-127.0.0.1:$(free_port)}"
    admin=$(free_port) smsbox=$(free_port) sendsms=$(free_port) fake=$(free_port)
    user=vantorix
    password="$(head -c 12 /dev/urandom | od -An -tx1 | tr -d ' \n')"
    sed -e "s|@ADMIN_PORT@|$admin|" -e "s|@ADMIN_PASSWORD@|$password|" \
        -e "s|@SMSBOX_PORT@|$smsbox|g" -e "s|@SENDSMS_PORT@|$sendsms|" \
        -e "s|@FAKE_PORT@|$fake|" -e "s|@DIR@|$dir|g" -e "s|@USER@|$user|" \
        -e "s|@PASSWORD@|$password|" -e "s|@SENDER@|${KANNEL_SENDER:-Vantorix}|" -e "s|@LISTEN@|$listen|" \
        "$here/kannel.conf.in" >"$dir/kannel.conf"
    umask 077
    printf '%s' "$password" >"$dir/password"
    cat >"$dir/rig.env" <<ENV
SENDSMS_URL=http://127.0.0.1:$sendsms/cgi-bin/sendsms
KANNEL_USER=$user
KANNEL_PASSWORD_FILE=$dir/password
ADMIN_PORT=$admin
LISTEN=$listen
ENV
    /usr/sbin/bearerbox "$dir/kannel.conf" >"$dir/bearerbox.out" 2>&1 &
    echo $! >"$dir/bearerbox.pid"
    wait_port "$smsbox" 20 || { echo "rig.sh: bearerbox did not listen" >&2; exit 4; }
    /usr/sbin/smsbox "$dir/kannel.conf" >"$dir/smsbox.out" 2>&1 &
    echo $! >"$dir/smsbox.pid"
    wait_port "$fake" 20 || { echo "rig.sh: the fake SMSC port is not open" >&2; exit 4; }
    # -m 0: generates no messages of its own, prints every one it receives;
    # with KANNEL_MO ("from to text words"), that one reply first.
    if [ -n "${KANNEL_MO:-}" ]; then
        mo=(-m 1 "$KANNEL_MO")
    else
        mo=(-m 0 "1 2 text x")
    fi
    "$fakesmsc" -H 127.0.0.1 -r "$fake" "${mo[@]}" >"$dir/fakesmsc.out" 2>"$dir/fakesmsc.err" &
    echo $! >"$dir/fakesmsc.pid"
    wait_port "$sendsms" 20 || { echo "rig.sh: smsbox did not listen" >&2; exit 4; }
    ;;
stop)
    stop_pid fakesmsc INT
    stop_pid smsbox TERM
    stop_pid bearerbox TERM
    ;;
*)
    echo "rig.sh: unknown command $cmd" >&2
    exit 2
    ;;
esac
