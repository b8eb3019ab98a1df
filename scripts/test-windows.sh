#!/usr/bin/env bash
# Windows cross builds with Debian's mingw-w64: the 32-bit build of Oravane,
# the probe and the desktop program (built, and their exports and imports
# checked) and the 64-bit build with the desktop program, whose tests run
# under wine64 in a scratch prefix (this machine's kernel runs no 32-bit
# programs).
#
# The desktop program needs Qt for Windows, which scripts/build-qt-windows.sh
# cross-builds once per machine and architecture (about 1,300 CPU-seconds
# each) into the user's cache folder. VANTORIX_WINDOWS_QT=0 leaves the
# desktop program and its tests out.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc)

scripts/deps.sh windows
# Loki's source, for the codec's mingw build (cached in build/loki-src).
scripts/fetch-loki-source.sh >/dev/null

# Qt and SQLite for both builds: cross-built from Debian's sources on first
# use, then taken from the cache.
qt_x86_64="" qt_i686="" sqlite=""
if [ "${VANTORIX_WINDOWS_QT:-1}" = 1 ]; then
    for arch in x86_64 i686; do
        start=$SECONDS
        printf -v "qt_$arch" '%s' "$(scripts/build-qt-windows.sh "$arch")"
        qt_prefix_var=qt_$arch
        echo "Qt for Windows ($arch): ${!qt_prefix_var} ($((SECONDS - start)) s)"
    done
    sqlite=$(scripts/build-sqlite-windows.sh)
fi

for arch in i686 x86_64; do
    dir=build/win-$arch
    qt_prefix_var=qt_$arch
    # The 64-bit build makes the installer, which ships the 32-bit Oravane.
    extra=()
    [ "$arch" = x86_64 ] && extra+=(-DVANTORIX_ORAVANE_I686="$PWD/build/win-i686/bin/Oravane.dll")
    cmake -S windows -B "$dir" -G Ninja --toolchain "$PWD/windows/toolchain-$arch.cmake" \
        -DVANTORIX_QT_PREFIX="${!qt_prefix_var:-}" -DVANTORIX_SQLITE_DIR="$sqlite" "${extra[@]}" >/dev/null
    cmake --build "$dir" -j "$jobs"
done

# The shipping library: a 32-bit PE with exactly the four server exports,
# undecorated, in ordinal order.
dll=build/win-i686/bin/Oravane.dll
i686-w64-mingw32-objdump -f "$dll" | grep -q "file format pei-i386" ||
    { echo "$dll is not a 32-bit Windows library" >&2; exit 1; }
exports=$(i686-w64-mingw32-objdump -p "$dll" |
    sed -n '/^\[Ordinal\/Name Pointer\] Table/,/^$/p' | awk '/\[/ && NR > 1 {print $3}' | paste -sd' ')
expected="DllCanUnloadNow DllGetClassObject DllRegisterServer DllUnregisterServer"
if [ "$exports" != "$expected" ]; then
    echo "$dll exports '$exports', expected '$expected'" >&2
    exit 1
fi
echo "$dll: 32-bit, exports $exports"

# The probe: a 32-bit console program linked statically, so it imports from
# system libraries only (no compiler runtime DLLs to ship).
probe=build/win-i686/bin/vantorix-mbn-probe.exe
i686-w64-mingw32-objdump -f "$probe" | grep -q "file format pei-i386" ||
    { echo "$probe is not a 32-bit Windows program" >&2; exit 1; }
imports=$(i686-w64-mingw32-objdump -p "$probe" | awk '/DLL Name:/ {print tolower($3)}' | sort | paste -sd' ')
for import in $imports; do
    case "$import" in
        kernel32.dll | msvcrt.dll | ole32.dll | oleaut32.dll | user32.dll) ;;
        *) echo "$probe imports $import (expected system libraries only: $imports)" >&2; exit 1 ;;
    esac
done
echo "$probe: 32-bit, imports $imports"

# The desktop program as it ships, 64-bit and 32-bit: a program of its
# architecture that imports from system libraries only (Qt and the
# compiler's runtime are linked in).
check_program() {  # triple program format bits
    local program=$2
    "$1-objdump" -f "$program" | grep -q "file format $3" ||
        { echo "$program is not a $4-bit Windows program" >&2; exit 1; }
    local imports
    imports=$("$1-objdump" -p "$program" | awk '/DLL Name:/ {print tolower($3)}' | sort | paste -sd' ')
    for import in $imports; do
        case "$import" in
            lib*.dll | qt*.dll | *gcc* | *stdc++* | *pthread*)
                echo "$program imports $import, which would have to ship with it" >&2; exit 1 ;;
        esac
    done
    echo "$program: $4-bit, $(du -m "$program" | cut -f1) MB, imports $imports"
}
if [ -n "$qt_x86_64" ]; then
    check_program x86_64-w64-mingw32 build/win-x86_64/package/vantorix.exe pei-x86-64 64
    check_program i686-w64-mingw32 build/win-i686/package/vantorix.exe pei-i386 32
fi

prefix=$PWD/build/win-x86_64/wineprefix
stop_wine() {
    WINEPREFIX="$prefix" /usr/lib/wine/wineserver64 -k 2>/dev/null || true
}
trap stop_wine EXIT
# The scratch prefix first (about 20 s when new): the tests are listed by
# running their programs, each within a time limit.
windows/wine-run.sh /usr/lib/wine/wine64 "$prefix" cmd /c exit >/dev/null 2>&1
ctest --test-dir build/win-x86_64 -j "$jobs" --output-on-failure
# The installer, or why there is none.
setup=$(cat build/win-x86_64/installer.txt)
if [ -f "$setup" ]; then
    echo "$setup: $(stat -c %s "$setup") bytes"
else
    echo "$setup"
fi
