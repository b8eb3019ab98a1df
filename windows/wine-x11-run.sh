#!/usr/bin/env bash
# Runs a program of the x86_64 build under wine64 with a display: on a fresh
# Xvfb (unless VANTORIX_XVFB says this already runs on one), in PREFIX-x11.
# The tests on Windows' own platform need a prefix of their own: wine's
# desktop belongs to the prefix's wineserver, and one started by a test
# without a display (the offscreen ones) gives every later window no driver.
# So the prefix's wineserver is ended before and after: each run starts its
# desktop on its own display. Tests that use it run one at a time.
# Usage: wine-x11-run.sh WINE64 PREFIX PROGRAM [ARGS...]
set -euo pipefail
wine=$1
base=$2
prefix=$base-x11
shift 2
if [ -z "${VANTORIX_XVFB:-}" ]; then
    exec env VANTORIX_XVFB=1 xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$wine" "$base" "$@"
fi
server="$(dirname "$wine")/wineserver64"
[ -x "$server" ] || server=wineserver
stop_server() { WINEPREFIX="$prefix" "$server" -k 2>/dev/null || true; }
stop_server
status=0
"$(dirname "$0")/wine-run.sh" "$wine" "$prefix" "$@" || status=$?
stop_server
exit "$status"
