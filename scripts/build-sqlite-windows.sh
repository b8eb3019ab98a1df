#!/usr/bin/env bash
# SQLite for the Windows cross build: Debian's own source package of the
# host's SQLite version, made into the single-file form (sqlite3.c and
# sqlite3.h) that windows/CMakeLists.txt compiles with mingw-w64. Debian ships
# SQLite for the host only. Prints the folder holding the two files.
#
# Kept in the user's cache folder, keyed by version, so a machine makes it
# once: ${XDG_CACHE_HOME:-~/.cache}/vantorix/sqlite-<version>
# Needs tclsh (tcl) and the host's C compiler: SQLite's own tools write it.
set -euo pipefail
cd "$(dirname "$0")/.."
repo=$PWD

version=$(dpkg-query -W -f='${source:Version}' libsqlite3-dev 2>/dev/null) || {
    echo "build-sqlite-windows: libsqlite3-dev is not installed (scripts/deps.sh)" >&2
    exit 1
}
cache=${XDG_CACHE_HOME:-$HOME/.cache}/vantorix
out=$cache/sqlite-$version
if [ -f "$out/sqlite3.c" ] && [ -f "$out/sqlite3.h" ]; then
    echo "$out"
    exit 0
fi

src=$("$repo/scripts/fetch-debian-source.sh" "sqlite3=$version" "$cache/src" "sqlite3-$version")
build=$(mktemp -d "$cache/build-sqlite.XXXXXX")
trap 'rm -rf "$build"' EXIT
log=$build/log
if ! (cd "$build" && "$src/configure" --disable-tcl && make sqlite3.c) >"$log" 2>&1; then
    echo "build-sqlite-windows: making sqlite3.c failed; the end of the log:" >&2
    tail -n 30 "$log" >&2
    exit 1
fi
mkdir -p "$out.tmp"
cp "$build/sqlite3.c" "$build/sqlite3.h" "$out.tmp/"
rm -rf "$out"
mv "$out.tmp" "$out"
echo "$out"
