#!/usr/bin/env bash
# Behaviour of vantorix-cli encode, decode, numbers and preview as a user meets it: output,
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
# Over one SMS: one line per part, each with its header (reference 0, 2 parts).
long=$(printf 'a%.0s' $(seq 161))
"$cli" encode --to +1 --text "$long" >"$work/out" 2>"$work/err"
if [ "$(wc -l <"$work/out")" = 2 ] && [ "$(cut -c1-30 "$work/out" | sort -u | wc -l)" = 2 ] &&
    grep -q "^00D1010191F100008FA0050003000201" "$work/out" &&
    grep -q "^00D1010191F100008F0F050003000202" "$work/out"; then
    echo "ok   encode two parts"
else
    echo "FAIL encode two parts: $(cat "$work/out" "$work/err")"; failures=$((failures + 1))
fi
check "encode over the parts limit" 1 "" "the message needs 2 parts (161 septets); at most 1 are allowed" -- \
    encode --to +1 --text "$long" --max-parts 1
check "count" 0 \
    '{"encoding":"gsm7","characters":4,"units":6,"parts":1,"per_part":160,"remaining":154,"locking_shift":"","single_shift":"","replaced":[{"char":"“","as":"\"","count":1},{"char":"…","as":"...","count":1}],"unsendable":[]}' \
    "" -- count --text '“ok…'
check "count unicode" 0 \
    '{"encoding":"ucs2","characters":2,"units":3,"parts":1,"per_part":70,"remaining":67,"locking_shift":"","single_shift":"","replaced":[],"unsendable":[]}' \
    "" -- count --text 'Ж😀'
check "count hindi" 0 \
    '{"encoding":"gsm7","characters":13,"units":13,"parts":1,"per_part":155,"remaining":142,"locking_shift":"hi","single_shift":"","replaced":[],"unsendable":[]}' \
    "" -- count --text 'नमस्ते दुनिया' --language hi
check "count unknown language" 2 "" "unknown language 'xx'" -- count --text a --language xx

# Parts in reverse order with a copy come back as one text.
text=$(printf 'Привет, мир! %.0s' $(seq 12))
"$cli" encode --to +4915 --text "$text" --reference 77 >"$work/parts"
{ tac "$work/parts"; head -1 "$work/parts"; } >"$work/in"
STDIN="$work/in" check "decode join" 0 \
    "$(STDIN= "$cli" decode "$(head -1 "$work/parts")" |
        sed -e 's/"udl":[0-9]*,"text":.*$//')\"udl\":140,\"parts\":3,\"text\":\"$text\"}" \
    "" -- decode --batch --join
head -2 "$work/parts" >"$work/in"
STDIN="$work/in" check "decode join incomplete" 1 \
    '{"error":"incomplete message to +4915 (reference 77): 2 of 3 parts; missing part 3"}' "" -- \
    decode --batch --join
check "decode empty header" 0 \
    '{"type":"submit","sca":"+436640501","sca_toa":145,"reject_duplicates":false,"vpf":2,"status_report_request":false,"udhi":true,"reply_path":false,"mr":0,"da":"066460353302","da_toa":129,"pid":0,"dcs":241,"alphabet":0,"vp":0,"udh":[],"udl":22,"text":"Sample Gammu message"}' \
    "" -- decode 069134660405F151000C8160460653332000F1001600C034DC86B3CBA063B8DDAE83DAE5F93C7C2E03
check "decode other element" 0 \
    '{"type":"submit","sca":"","sca_toa":129,"reject_duplicates":false,"vpf":0,"status_report_request":false,"udhi":true,"reply_path":false,"mr":0,"da":"1234","da_toa":129,"pid":0,"dcs":4,"alphabet":1,"vp":null,"udh":[{"iei":5,"data":"15820000"}],"udl":8,"text":"7F"}' \
    "" -- decode 00410004812143000408060504158200007F
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

check "decode every field" 0 \
    '{"type":"submit","sca":"+12345678901","sca_toa":145,"reject_duplicates":false,"vpf":3,"status_report_request":true,"udhi":true,"reply_path":true,"mr":42,"da":"+15123456789","da_toa":145,"pid":127,"dcs":246,"alphabet":1,"vp":[13,2,11,9,45,12,8],"udh":[{"iei":8,"reference":4660,"total":2,"sequence":1}],"udl":9,"text":"0041"}' \
    "" -- decode 07912143658709F1F92A0B915121436587F97FF63120119054218009060804123402010041
check "decode odd length" 1 "" "odd number of hexadecimal digits" -- decode 009
check "decode trailing" 1 "" "trailing octets" -- decode 009101099121436587F900008F02E83400

printf '+123456789\thi\nno tab here\n0800-1\tx\n+1\t€\n' >"$work/in"
STDIN="$work/in" check "encode batch" 1 \
    "$(printf '009101099121436587F900008F02E834\n\n\n0091010191F100008F029B32')" \
    "line 3: TPDestinationAddress: output stream write failure" -- encode --batch
printf '+1\tok\n+1\tbad \xff\n' >"$work/in"
STDIN="$work/in" check "encode batch invalid UTF-8" 1 \
    "$(printf '0091010191F100008F02EF35\n')" "line 2: the line is not valid UTF-8" -- encode --batch

printf '009101099121436587F900008F02E834\nzz\n\n0003\n' >"$work/in"
STDIN="$work/in" check "decode batch" 1 \
    "$(printf '%s\n%s\n%s\n%s' \
        '{"type":"submit","sca":"","sca_toa":129,"reject_duplicates":false,"vpf":2,"status_report_request":false,"udhi":false,"reply_path":true,"mr":1,"da":"+123456789","da_toa":145,"pid":0,"dcs":0,"alphabet":0,"vp":143,"udh":[],"udl":2,"text":"hi"}' \
        '{"error":"not a hexadecimal digit at position 1"}' \
        '{"error":"TPServiceCenterAddress: input stream read failure"}' \
        '{"error":"TPMessageTypeIndicator: reserved message type 11"}')" "" -- decode --batch
check "decode deliver" 0 \
    '{"type":"deliver","sca":"+31624000000","oa":"+31641600986","oa_toa":145,"pid":0,"dcs":0,"alphabet":0,"scts":"2002-08-26T19:37:41-01:00","udh":[],"udl":12,"text":"How are you?"}' \
    "" -- decode 07911326040000F0040B911346610089F60000208062917314480CC8F71D14969741F977FD07
printf '00440B915121436587F9000842211332958549080500032A02020021\n00440B915121436587F90008422113329585490C0500032A0201004800E920AC\n' >"$work/in"
STDIN="$work/in" check "decode join deliver" 0 \
    '{"type":"deliver","sca":"","oa":"+15123456789","oa_toa":145,"pid":0,"dcs":8,"alphabet":2,"scts":"2024-12-31T23:59:58-03:30","udh":[{"iei":0,"reference":42,"total":2,"sequence":1}],"udl":12,"parts":2,"text":"Hé€!"}' \
    "" -- decode --batch --join
check "decode status report" 0 \
    '{"type":"status-report","sca":"","mr":0,"ra":"+20121875612","ra_toa":145,"scts":"2007-09-12T15:10:12+02:00","discharge_time":"2007-09-12T15:10:17+02:00","st":0,"st_text":"Received by the recipient"}' \
    "" -- decode 0006000B910221815716F2709021510121807090215101718000

# numbers: the unique numbers of a UTF-16 file as UTF-8, in sending order
# (Arabic-Indic digits sent as ASCII).
printf '33333\r\n\xd9\xa0\xd9\xa1\xd9\xa2\xd9\xa3\xd9\xa4\n 33333\n1234' | iconv -f utf-8 -t utf-16le |
    { printf '\xff\xfe'; cat; } >"$work/numbers.txt"
check "numbers" 0 "$(printf '33333\n01234')" "" -- numbers "$work/numbers.txt"
# Cleaned for sending; with a region, one line per person (E.164); --check
# names what cannot be a number.
printf '+44 (0)7700-900123\n07700 900123\n+44 12\n(0)7700-900124\nabc-12345\n' >"$work/uk.txt"
LC_ALL=C check "numbers cleaned" 0 "$(printf '+447700900123\n07700900123\n+4412\n07700900124\nabc12345')" "" -- \
    numbers "$work/uk.txt"
LC_ALL= LC_TELEPHONE=en_GB.UTF-8 check "numbers region from locale" 0 \
    "$(printf '+447700900123\n+4412\n07700900124\nabc12345')" "" -- numbers "$work/uk.txt"
check "numbers check" 3 "$(printf 'line 3: +4412: too short\nline 5: abc12345: not a phone number')" \
    "" -- numbers "$work/uk.txt" --check --region gb
check "numbers unknown region" 2 "" "unknown country 'XY'" -- numbers "$work/uk.txt" --region XY
check "numbers missing file" 1 "" "Could Not Open File [$work/none.txt] to Read Numbers." -- \
    numbers "$work/none.txt"

# preview: each row's own text; the first row of a number wins; a placeholder
# naming no column is refused with its name.
printf '\xef\xbb\xbfName;Mobile\r\n"Zo\xc3\xab; Jr";+447700900001\r\nAnna;+447700900001\r\n' \
    >"$work/people.csv"
check "preview csv" 0 \
    '{"line":2,"number":"+447700900001","text":"{Hi} Zoë; Jr","parts":1,"encoding":"ucs2","needs_unicode":true}' \
    "line 3: the number repeats line 2; skipped" -- \
    preview --numbers "$work/people.csv" --message '{{Hi}} {NAME}'
check "preview unknown placeholder" 2 "" "names no column of the file: {nmae}" -- \
    preview --numbers "$work/people.csv" --message 'Hi {nmae}'

[ "$failures" -eq 0 ] || { echo "$failures failed"; exit 1; }
