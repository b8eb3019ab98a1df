#!/usr/bin/env bash
# Fetches the source of Loki (Debian's source package "libloki") into
# build/loki-src, for the Windows cross builds: Debian ships the library only
# for the host. Uses a private apt source list, so the machine's own lists and
# sources are left alone. Prints the unpacked source folder.
#
#   scripts/fetch-loki-source.sh [DEST]    (default: build/loki-src)
set -euo pipefail
cd "$(dirname "$0")/.."
dest=${1:-$PWD/build/loki-src}
version=0.1.7

if [ -f "$dest/loki-$version/src/SmallObj.cpp" ]; then
    echo "$dest/loki-$version"
    exit 0
fi

# dpkg-source unpacks the source and applies Debian's patches (the C++17
# fixes among them).
if ! command -v dpkg-source >/dev/null; then
    sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends dpkg-dev >&2
fi

apt_dir=$dest/apt
mkdir -p "$apt_dir/lists/partial" "$apt_dir/sources"
# The same suite as the machine (Debian 12 "bookworm" unless told otherwise).
suite=$(. /etc/os-release && echo "${VERSION_CODENAME:-bookworm}")
mirror=${DEBIAN_MIRROR:-http://deb.debian.org/debian}
echo "deb-src $mirror $suite main" >"$apt_dir/sources/loki.list"

apt_opts=(-o Dir::Etc::SourceList=/dev/null
          -o Dir::Etc::SourceParts="$apt_dir/sources"
          -o Dir::State::Lists="$apt_dir/lists"
          -o Dir::Cache="$apt_dir/cache"
          -o APT::Sandbox::User=root)
mkdir -p "$apt_dir/cache/archives/partial"
apt-get "${apt_opts[@]}" -qq update >&2

work=$(mktemp -d "$dest/fetch.XXXXXX")
(cd "$work" && apt-get "${apt_opts[@]}" -qq source --download-only libloki >&2)
dsc=$(ls "$work"/libloki_*.dsc | head -n1)
dpkg-source --no-check -x "$dsc" "$work/loki-$version" >&2
rm -rf "${dest:?}/loki-$version"
mv "$work/loki-$version" "$dest/loki-$version"
rm -rf "$work"
echo "$dest/loki-$version"
