#!/usr/bin/env bash
# The desktop program's start-up on the real Windows platform, under Xvfb and
# wine: vantorix-startup-smoke checks the notice and the main window; this
# script takes the screenshot of the main window (SHOT) in between.
#   startup-smoke.sh WINE-X11-RUN... -- SMOKE_EXE PROGRAM SHOT
set -euo pipefail
runner=()
while [ "$1" != -- ]; do
    runner+=("$1")
    shift
done
shift
smoke=$1 program=$2 shot=$3

if [ -z "${VANTORIX_XVFB:-}" ]; then
    VANTORIX_XVFB=1 exec xvfb-run -a -s "-screen 0 1024x768x24" "$0" "${runner[@]}" -- "$@"
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
out=$work/smoke.out
# Windows paths through wine's Z: drive.
"${runner[@]}" "$smoke" "Z:$work/done" "$program" --store "Z:$work/store.sqlite" \
    >"$out" 2>&1 &
pid=$!
for _ in $(seq 240); do
    grep -q '^READY\|^FAIL' "$out" && break
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.5
done
if grep -q '^READY' "$out"; then
    mkdir -p "$(dirname "$shot")"
    # The main window only: its geometry is the last word of its line.
    geometry=$(sed -n 's/^main window: .* \([0-9]*x[0-9]*+[0-9]*+[0-9]*\)\r*$/\1/p' "$out")
    import -window root ${geometry:+-crop "$geometry"} "$shot"
    echo "screenshot: $shot"
fi
touch "$work/done"
status=0
wait "$pid" || status=$?
cat "$out"
exit "$status"
