#!/usr/bin/env bash
# Behaviour of vantorix-cli encode, decode and numbers as a user meets it: output,
# standard error and exit status.
set -u
cli="$1"
failures=0
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# check NAME EXPECTED_STATUS EXPECTED_STDOUT EXPECTED_STDERR_SUBSTRING -- ARGS...
check() {
    local name="$1" want_status="$2" want_out="$3" want_err="$4"
    shift 5
    "$cli" "$@" <"${STDIN:-/dev/null}" >"$work/out" 2>"$work/err"
    local status=$?
    local out err
    out=$(cat "$work/out")
    err=$(cat "$work/err")
    if [ "$status" != "$want_status" ] || [ "$out" != "$want_out" ] ||
        { [ -n "$want_err" ] && [[ "$err" != *"$want_err"* ]]; } ||
        { [ -z "$want_err" ] && [ -n "$err" ]; }; then
        echo "FAIL $name: status $status (want $want_status)"
        echo "  stdout: $out"
        echo "  want:   $want_out"
        echo "  stderr: $err"
        failures=$((failures + 1))
    else
        echo "ok   $name"
    fi
}

check "encode example" 0 "009101099121436587F900008F02E834" "" -- encode --to +123456789 --text hi
check "encode with smsc" 0 "07912143658709F19101099121436587F900008F02E834" "" -- \
    encode --to +123456789 --text hi --smsc +12345678901
check "encode bad number" 1 "" "TPDestinationAddress: output stream write failure" -- \
    encode --to 0800-123 --text hi
check "encode usage" 2 "" "is required" -- encode --to +1
check "no subcommand" 2 "" "subcommand" --
check "unknown option" 2 "" "not expected" -- encode --to +1 --text x --frobnicate

# The trace goes to standard error only with --trace.
"$cli" encode --to +123456789 --text hi --trace >"$work/out" 2>"$work/err"
if grep -q "^PDU: 009101099121436587F900008F02E834$" "$work/err" &&
    [ "$(cat "$work/out")" = "009101099121436587F900008F02E834" ]; then
    echo "ok   encode trace"
else
    echo "FAIL encode trace"; failures=$((failures + 1))
fi

check "decode example" 0 \
    '{"sca":"","sca_toa":129,"reject_duplicates":false,"vpf":2,"status_report_request":false,"udhi":false,"reply_path":true,"mr":1,"da":"+123456789","da_toa":145,"pid":0,"dcs":0,"alphabet":0,"vp":143,"udh":[],"udl":2,"text":"hi"}' \
    "" -- decode 009101099121436587F900008F02E834
check "decode header and absolute vp" 0 \
    '{"sca":"","sca_toa":129,"reject_duplicates":false,"vpf":3,"status_report_request":false,"udhi":true,"reply_path":false,"mr":0,"da":"1234","da_toa":129,"pid":0,"dcs":0,"alphabet":0,"vp":[13,2,11,9,45,12,8],"udh":[{"iei":0,"reference":42,"total":2,"sequence":1}],"udl":8,"text":"A"}' \
    "" -- decode 00590004812143000031201190542180080500032A020182
check "decode every field" 0 \
    '{"sca":"+12345678901","sca_toa":145,"reject_duplicates":false,"vpf":3,"status_report_request":true,"udhi":true,"reply_path":true,"mr":42,"da":"+15123456789","da_toa":145,"pid":127,"dcs":246,"alphabet":1,"vp":[13,2,11,9,45,12,8],"udh":[{"iei":8,"reference":4660,"total":2,"sequence":1}],"udl":9,"text":"0041"}' \
    "" -- decode 07912143658709F1F92A0B915121436587F97FF63120119054218009060804123402010041
check "decode odd length" 1 "" "odd number of hexadecimal digits" -- decode 009
check "decode not hex" 1 "" "not a hexadecimal digit" -- decode 00ZZ
check "decode codec failure" 1 "" "TPMtiAndFriendsSmsSubmit: bad MTI" -- decode 0000
check "decode trailing" 1 "" "trailing octets" -- decode 009101099121436587F900008F02E83400

printf '+123456789\thi\nno tab here\n0800-1\tx\n+1\t€\n' >"$work/in"
STDIN="$work/in" check "encode batch" 1 \
    "$(printf '009101099121436587F900008F02E834\n\n\n0091010191F100008F029B32')" \
    "line 3: TPDestinationAddress: output stream write failure" -- encode --batch

printf '009101099121436587F900008F02E834\nzz\n\n0000\n' >"$work/in"
STDIN="$work/in" check "decode batch" 1 \
    "$(printf '%s\n%s\n%s\n%s' \
        '{"sca":"","sca_toa":129,"reject_duplicates":false,"vpf":2,"status_report_request":false,"udhi":false,"reply_path":true,"mr":1,"da":"+123456789","da_toa":145,"pid":0,"dcs":0,"alphabet":0,"vp":143,"udh":[],"udl":2,"text":"hi"}' \
        '{"error":"not a hexadecimal digit at position 1"}' \
        '{"error":"TPServiceCenterAddress: input stream read failure"}' \
        '{"error":"TPMtiAndFriendsSmsSubmit: bad MTI"}')" "" -- decode --batch

# numbers: the unique numbers of a UTF-16 file as UTF-8, in sending order.
printf '33333\r\n\xd9\xa0\xd9\xa1\xd9\xa2\xd9\xa3\xd9\xa4\n 33333\n1234' | iconv -f utf-8 -t utf-16le |
    { printf '\xff\xfe'; cat; } >"$work/numbers.txt"
check "numbers" 0 "$(printf '33333\n\xd9\xa0\xd9\xa1\xd9\xa2\xd9\xa3\xd9\xa4')" "" -- numbers "$work/numbers.txt"
check "numbers missing file" 1 "" "Could Not Open File [$work/none.txt] to Read Numbers." -- \
    numbers "$work/none.txt"

[ "$failures" -eq 0 ] || { echo "$failures failed"; exit 1; }
