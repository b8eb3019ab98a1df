#!/usr/bin/env bash
# The desktop program's campaign through a Kannel on loopback
# (tests/kannel/rig.sh): runs the KannelGui test of the app tests with
# KANNEL_RIG_DIR naming the rig and KANNEL_MO its STOP reply, on the
# offscreen platform, and stops the rig by pid afterwards. Installs Kannel through scripts/deps.sh when it is
# missing (skips, code 77, when that is not possible).
#
#   run-gui-test.sh APP_TESTS REPO   (KEEP=1 keeps the folder, with a grab
#                                     of the finished window: window.png)
set -uo pipefail
tests="$1"
repo="$2"
"$repo/tests/kannel/rig.sh" need "$repo" || exit $?
dir="$(mktemp -d "${TMPDIR:-/tmp}/vantorix-kannel-gui.XXXXXX")"
trap '"$repo/tests/kannel/rig.sh" stop "$dir"' EXIT
# A STOP reply from a number outside the campaign, sent by the fake SMSC at once.
export KANNEL_MO="+4915119999999 1234 text STOP"
"$repo/tests/kannel/rig.sh" start "$dir" || { echo "rig did not start; logs in $dir"; exit 1; }
mkdir -m 700 "$dir/runtime"
KANNEL_RIG_DIR="$dir" QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR="$dir/runtime" \
    "$tests" --gtest_filter='KannelGui.*' --gtest_brief=1
result=$?
"$repo/tests/kannel/rig.sh" stop "$dir"
trap - EXIT
if [ $result -eq 0 ]; then
    [ -n "${KEEP:-}" ] || rm -rf "$dir"
else
    echo "logs in $dir"
fi
exit $result
