#!/usr/bin/env bash
# Runs kannel_campaign_test against a Kannel on loopback: installs Kannel
# through scripts/deps.sh when it is missing (skips, code 77, when that is
# not possible), starts the rig in a temporary folder, runs the test, stops
# the rig by pid. The logs stay in the folder, named on failure.
set -uo pipefail
test_bin="$1"
repo="$2"
if [ ! -x /usr/sbin/bearerbox ] || [ ! -x /usr/lib/kannel/test/fakesmsc ]; then
    if ! "$repo/scripts/deps.sh" kannel >/dev/null 2>&1 || [ ! -x /usr/sbin/bearerbox ]; then
        echo "SKIPPED: Kannel (kannel, kannel-extras) is not installed and cannot be installed"
        exit 77
    fi
fi
dir="$(mktemp -d "${TMPDIR:-/tmp}/vantorix-kannel.XXXXXX")"
trap '"$repo/tests/kannel/rig.sh" stop "$dir"' EXIT
"$repo/tests/kannel/rig.sh" start "$dir" || { echo "rig did not start; logs in $dir"; exit 1; }
# shellcheck disable=SC1091
. "$dir/rig.env"
if KANNEL_RIG_DIR="$dir" "$test_bin"; then
    trap - EXIT
    "$repo/tests/kannel/rig.sh" stop "$dir"
    rm -rf "$dir"
    exit 0
fi
echo "logs in $dir"
exit 1
