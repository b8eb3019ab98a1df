#!/usr/bin/env bash
# Runs a program of the x86_64 Windows build under wine64 in a scratch prefix,
# which it creates on first use. Usage: wine-run.sh WINE64 PREFIX PROGRAM [ARGS...]
set -euo pipefail
wine=$1
prefix=$2
shift 2

export WINEPREFIX="$prefix" WINEARCH=win64
# No Mono or Gecko installer prompts; and no host browser: a page that a
# test opens goes to the handler the test sets, or nowhere.
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=;winebrowser.exe=d}"
# wine keeps the host's QT_* variables away from Windows programs (they are
# meant for the host's Qt) and hands WINEQT_* on as QT_*: forward them.
# Qt's offscreen platform on Windows reads fonts from a folder, and wine has
# none of its own here: it gets the host's DejaVu fonts through wine's Z:.
export QT_QPA_FONTDIR="${QT_QPA_FONTDIR:-Z:/usr/share/fonts/truetype/dejavu}"
while IFS='=' read -r name _; do
    [[ $name == QT_* ]] && export "WINE$name=${!name}"
done < <(env)
server="$(dirname "$wine")/wineserver64"
[ -x "$server" ] && export WINESERVER="$server"

if [ ! -e "$prefix/.vantorix-ready" ]; then
    mkdir -p "$(dirname "$prefix")"
    (
        flock 9
        if [ ! -e "$prefix/.vantorix-ready" ]; then
            "$wine" wineboot --init >/dev/null 2>&1
            "${WINESERVER:-wineserver}" -w
            touch "$prefix/.vantorix-ready"
        fi
    ) 9>"$prefix.lock"
fi
exec "$wine" "$@"
