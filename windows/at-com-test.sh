#!/usr/bin/env bash
# The AT backend on a Windows COM port, under wine: the host's simulated
# modem serves a pseudo-terminal, wine's COM20 is linked to it, and the
# Windows test sends a two-number campaign through it; the simulator's
# outbox must then hold both submissions.
#   at-com-test.sh MODEMSIM WINE-X11-RUN... -- TEST_EXE
set -euo pipefail
modemsim=$1
shift
runner=()
while [ "$1" != -- ]; do
    runner+=("$1")
    shift
done
shift
test_exe=$1
# wine-x11-run.sh WINE PREFIX: its prefix is PREFIX-x11.
prefix=${runner[2]}-x11

work=$(mktemp -d)
link=$prefix/dosdevices/com20
cleanup() {
    exec 3>&- || true
    [ -n "${sim_pid:-}" ] && kill "$sim_pid" 2>/dev/null || true
    rm -f "$link"
    rm -rf "$work"
}
trap cleanup EXIT
# The simulator runs until its standard input closes.
mkfifo "$work/stdin"
"$modemsim" --outbox "$work/outbox" <"$work/stdin" >"$work/port" 2>"$work/sim.log" &
sim_pid=$!
exec 3>"$work/stdin"
for _ in $(seq 50); do
    grep -q '^PORT ' "$work/port" && break
    sleep 0.1
done
pty=$(sed -n 's/^PORT //p' "$work/port")
[ -n "$pty" ] || { echo "the simulator reported no port" >&2; cat "$work/sim.log" >&2; exit 1; }

# The prefix must exist before a link goes into it.
"${runner[@]}" cmd /c exit >/dev/null 2>&1 || true
ln -sfn "$pty" "$link"
VANTORIX_TEST_COM=COM20 QT_QPA_PLATFORM=windows \
    "${runner[@]}" "$test_exe" --gtest_filter='AtOnComPort.*'
sent=$(wc -l <"$work/outbox" 2>/dev/null || echo 0)
if [ "$sent" -ne 2 ]; then
    echo "the modem got $sent submissions, expected 2" >&2
    exit 1
fi
echo "the modem got both submissions through COM20"
