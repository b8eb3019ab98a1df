#!/usr/bin/env bash
# The installer under wine64, in a scratch prefix made afresh: a silent
# install puts the program, the .sms document type, the Start-menu entry, the
# uninstall entry and Oravane's type library in place; a silent uninstall
# takes them all away and leaves the user's campaigns and settings, which
# /REMOVEUSERDATA removes.
#
#   test-installer.sh WINE64 PREFIX INSTALLER RECORDER
#
# RECORDER is a Windows program that appends the command line it was started
# with to probe.log beside itself: put in the installed program's place, it
# shows what opening a .sms document through the shell starts.
set -euo pipefail
wine=$1
prefix=$2
installer=$3
recorder=$4
here=$(cd "$(dirname "$0")" && pwd)

export WINEPREFIX=$prefix WINEARCH=win64 WINEDEBUG=-all
# No Mono or Gecko prompts, no browser for Oravane's web pages, and no menu
# entries or file types written to the host's desktop.
export WINEDLLOVERRIDES="mscoree,mshtml=;winebrowser.exe=d;winemenubuilder.exe=d"
server="$(dirname "$wine")/wineserver64"
[ -x "$server" ] && export WINESERVER=$server
wineserver=${WINESERVER:-wineserver}
trap '"$wineserver" -k 2>/dev/null || true' EXIT

failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

# One value's data ("" names the default value) against the expected one;
# `reg query` shows it as "    NAME    REG_TYPE    DATA".
expect_value() {
    local key=$1 name=$2 expected=$3 actual which=(/v "$2")
    [ -n "$name" ] || which=(/ve)
    actual=$("$wine" reg query "$key" "${which[@]}" 2>/dev/null | tr -d '\r' |
        awk -F '    ' '$3 ~ /^REG_/ {print $4; exit}')
    [ "$actual" = "$expected" ] || fail "$key ${name:-(default)} is '$actual', expected '$expected'"
}
expect_no_key() {
    "$wine" reg query "$1" >/dev/null 2>&1 && fail "$1 is still there"
    return 0
}

rm -rf "$prefix"
"$wine" wineboot --init >/dev/null 2>&1
"$wineserver" -w

libid=$(sed -n 's/.*uuid(\([0-9A-Fa-f-]*\)).*/\1/p' "$here/../../setuphelper/Oravane.idl" | head -n 1)
typelib="HKCR\\TypeLib\\{$libid}\\1.0"
folder="$prefix/drive_c/Program Files/Vantorix"
win_folder='C:\Program Files\Vantorix'
shortcut="$prefix/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Vantorix.lnk"
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Vantorix'
user=$(id -un)
store="$prefix/drive_c/users/$user/AppData/Roaming/Vantorix"
settings='HKCU\Software\Quorvel\Vantorix'

install() {
    "$wine" "$installer" /S || fail "the installer exited with $?"
    "$wineserver" -w
}
# The uninstaller copies itself to a temporary folder and runs from there:
# it has finished when the last wine process has.
uninstall() {
    "$wine" "$win_folder\\Uninstall.exe" /S "$@" || fail "the uninstaller exited with $?"
    "$wineserver" -w
}

start=$SECONDS
install
for file in vantorix.exe Oravane.dll vantorix.ico Uninstall.exe; do
    [ -f "$folder/$file" ] || fail "no $file in the installation folder"
done
[ -f "$shortcut" ] || fail "no Start-menu entry"
expect_value 'HKCR\.sms' "" Vantor.Document
expect_value 'HKCR\Vantor.Document\DefaultIcon' "" "$win_folder\\vantorix.ico"
expect_value 'HKCR\Vantor.Document\shell\open\command' "" "\"$win_folder\\vantorix.exe\" \"%1\""
expect_value "$uninstall_key" DisplayName Vantorix
expect_value "$uninstall_key" UninstallString "\"$win_folder\\Uninstall.exe\""
# Oravane registered from the installation folder.
expect_value "$typelib" "" "Oravane 1.0 Type Library"
expect_value "$typelib\\HELPDIR" "" "$win_folder\\"

# Opening a document through the shell (start.exe: ShellExecuteEx, as a
# double click) starts the installed program with the document's path as one
# argument, its blanks included.
mkdir -p "$prefix/drive_c/users/$user/Documents"
: >"$prefix/drive_c/users/$user/Documents/Spring Notice.sms"
cp "$recorder" "$folder/vantorix.exe"
"$wine" start /wait 'C:\users\'"$user"'\Documents\Spring Notice.sms' || fail "start exited with $?"
"$wineserver" -w
opened=$(tr -d '\r' <"$folder/probe.log" 2>/dev/null || true)
expected="vantorix.exe|\"$win_folder\\vantorix.exe\" \"C:\\users\\$user\\Documents\\Spring Notice.sms\""
[ "$opened" = "$expected" ] || fail "opening the document started '$opened', expected '$expected'"
rm -f "$folder/probe.log"

# What the program leaves of its user: the campaign store and settings.
mkdir -p "$store"
echo campaigns >"$store/campaigns.sqlite"
"$wine" reg add "$settings" /v ApplicationLook /t REG_DWORD /d 216 /f >/dev/null 2>&1

uninstall
[ -e "$folder" ] && fail "the installation folder is still there: $(ls -A "$folder" | tr '\n' ' ')"
[ -e "$shortcut" ] && fail "the Start-menu entry is still there"
for key in 'HKCR\.sms' 'HKCR\Vantor.Document' "$uninstall_key" "$typelib"; do
    expect_no_key "$key"
done
[ -f "$store/campaigns.sqlite" ] || fail "a silent uninstall removed the campaign store"
expect_value "$settings" ApplicationLook 0xd8

# Ticked (here on the command line), the user's data goes too.
install
uninstall /REMOVEUSERDATA
[ -e "$store" ] && fail "the campaign store is still there after /REMOVEUSERDATA"
expect_no_key 'HKCU\Software\Quorvel'
[ -e "$folder" ] && fail "the installation folder is still there after the second uninstall"

echo "installer test: $((SECONDS - start)) s after the prefix was made, $failures failure(s)"
[ "$failures" -eq 0 ] || exit 1
# The prefix takes some 700 MB: kept only to look into a failure.
"$wineserver" -k 2>/dev/null || true
rm -rf "$prefix"
