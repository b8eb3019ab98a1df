#!/usr/bin/env bash
# Builds the Windows installer from a program folder: vantorix.exe, Oravane.dll
# and whatever lies beside them (subfolders included) are installed as they are.
#
#   make-installer.sh PROGRAM_DIR [OUTPUT]
#
# OUTPUT defaults to build/VantorixSetup-<version>-x64.exe, the version being
# the project's (VERSION in the environment overrides it). Oravane.dll may be
# the 32-bit library that ships or a 64-bit build of it: the installer
# registers it with the regsvr32 of its kind. Prints the installer's path.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
repo=$(cd "$here/../.." && pwd)

if [ $# -lt 1 ] || [ $# -gt 2 ]; then
    echo "usage: $0 PROGRAM_DIR [OUTPUT]" >&2
    exit 2
fi
program_dir=$(cd "$1" && pwd)
for file in vantorix.exe Oravane.dll; do
    if [ ! -f "$program_dir/$file" ]; then
        echo "$0: no $file in $program_dir" >&2
        exit 1
    fi
done

version=${VERSION:-$(sed -n 's/^project(Vantorix VERSION \([0-9.]*\).*/\1/p' "$repo/CMakeLists.txt")}
if ! [[ $version =~ ^[0-9]+\.[0-9]+\.[0-9]+$ ]]; then
    echo "$0: the version '$version' is not MAJOR.MINOR.PATCH" >&2
    exit 1
fi
output=${2:-$repo/build/VantorixSetup-$version-x64.exe}
mkdir -p "$(dirname "$output")"
output=$(cd "$(dirname "$output")" && pwd)/$(basename "$output")

# The machine field of the PE header: 0x014c i386, 0x8664 x86-64.
pe_machine() {
    local pe
    pe=$(od -An -tu4 -j60 -N4 "$1" | tr -d ' ')
    od -An -tx2 -j$((pe + 4)) -N2 "$1" | tr -d ' '
}
case $(pe_machine "$program_dir/Oravane.dll") in
    014c) oravane_arch=i686 ;;
    8664) oravane_arch=x86_64 ;;
    *) echo "$0: $program_dir/Oravane.dll is not a Windows library" >&2; exit 1 ;;
esac

# The folder's files, listed for the installer and, in reverse, for the
# uninstaller, which removes exactly these. NSIS would take a '$' in a name
# for one of its variables.
if (cd "$program_dir" && find . | grep -q '[$"]'); then
    echo "$0: a name in $program_dir holds a \$ or a quotation mark" >&2
    exit 1
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# Paths inside the installation folder, in Windows form; $INSTDIR is NSIS's.
# shellcheck disable=SC2016
win_path() {
    local rel=${1#./}
    if [ "$rel" = . ]; then
        printf '$INSTDIR'
    else
        printf '$INSTDIR\\%s' "$(printf '%s' "$rel" | tr / '\134')"
    fi
}
{
    echo '!macro VantorixInstallFiles'
    (cd "$program_dir" && find . -type f | sort) | while read -r file; do
        echo "    SetOutPath \"$(win_path "$(dirname "$file")")\""
        echo "    File \"$program_dir/${file#./}\""
    done
    echo '!macroend'
    echo '!macro VantorixUninstallFiles FLAGS'
    (cd "$program_dir" && find . -type f | sort) | while read -r file; do
        echo "    Delete \${FLAGS} \"$(win_path "$file")\""
    done
    (cd "$program_dir" && find . -mindepth 1 -type d | sort -r) | while read -r dir; do
        echo "    RMDir \${FLAGS} \"$(win_path "$dir")\""
    done
    echo '!macroend'
} >"$work/files.nsh"

makensis -V2 -INPUTCHARSET UTF8 -DVERSION="$version" -DOUTFILE="$output" -DFILES_NSH="$work/files.nsh" \
    -DORAVANE_ARCH="$oravane_arch" -DICON="$here/vantorix.ico" "$here/vantorix.nsi" >&2
echo "$output"
