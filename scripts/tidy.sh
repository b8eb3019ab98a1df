#!/usr/bin/env bash
# Checks the style rules that clang-format cannot express (see .clang-tidy:
# braces around every statement that an if, else, for, while or do controls)
# over the project's sources, with clang-tidy and the compile database of the
# default build. The Windows-only sources are checked too when the x86_64
# cross build (scripts/test-windows.sh) has been configured.
#
#   scripts/tidy.sh [--fix]    (--fix rewrites the sources, then formats them)
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc)
fix=()
if [ "${1:-}" = "--fix" ]; then
    fix=(-fix)
elif [ $# -gt 0 ]; then
    echo "usage: scripts/tidy.sh [--fix]" >&2
    exit 2
fi
tidy=$(command -v run-clang-tidy-14 || command -v run-clang-tidy)
ours="$PWD/(pdu|device|campaign|app|setuphelper|tools|tests|fuzz|bench)/"

if [ ! -f build/default/compile_commands.json ]; then
    cmake --preset default >/dev/null
fi
run() {
    local log=$1
    shift
    if ! "$tidy" -quiet -j "$jobs" "${fix[@]}" "$@" >"$log" 2>&1 && [ ${#fix[@]} -eq 0 ]; then
        grep 'warning:\|error:' "$log" | sort -u >&2
        echo "clang-tidy: style differences (scripts/tidy.sh --fix applies them); log: $log" >&2
        exit 1
    fi
}
run build/default/tidy.log -p build/default -header-filter "^$ours" "^$ours"

# The sources that only the Windows cross build compiles. clang takes the
# mingw-w64 headers, but not GCC's own intrinsics folders.
win=build/win-x86_64
if [ -f "$win/compile_commands.json" ]; then
    args=(-extra-arg=--target=x86_64-w64-mingw32)
    for dir in $(x86_64-w64-mingw32-g++-posix -v -E -x c++ /dev/null 2>&1 |
                 sed -n '/#include <...> search starts/,/End of search/p' | grep '^ /' |
                 grep -v '/include$\|/include-fixed$'); do
        args+=("-extra-arg=-isystem$dir")
    done
    args+=(-extra-arg=-isystem/usr/x86_64-w64-mingw32/include)
    run "$win/tidy.log" -p "$win" "${args[@]}" -header-filter "^$ours|^$PWD/windows/" \
        "^$PWD/(device/winmbn|setuphelper|windows|tests/winmbn|tests/setuphelper|tests/winapp)/.*\.cpp$|^$PWD/campaign/phone/PhoneNumberFallback\.cpp$"
fi

if [ ${#fix[@]} -gt 0 ]; then
    scripts/format.sh
fi
echo "clang-tidy: clean"
