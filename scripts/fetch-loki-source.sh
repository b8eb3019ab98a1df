#!/usr/bin/env bash
# Fetches the source of Loki (Debian's source package "libloki", with its
# C++17 fixes) into build/loki-src, for the Windows cross builds: Debian ships
# the library only for the host. Prints the unpacked source folder.
#
#   scripts/fetch-loki-source.sh [DEST]        (default: build/loki-src)
#   scripts/fetch-loki-source.sh --print-sources
#       prints the source entries it would use, and fetches nothing
set -euo pipefail
cd "$(dirname "$0")/.."
if [ "${1:-}" = --print-sources ]; then
    exec scripts/fetch-debian-source.sh --print-sources
fi
exec scripts/fetch-debian-source.sh libloki "${1:-$PWD/build/loki-src}" loki-0.1.7
