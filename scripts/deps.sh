#!/usr/bin/env bash
# Installs the Debian 12 packages that building and testing need; does nothing
# when they are all present. Run as root (or with sudo available).
set -euo pipefail

packages=(
    build-essential cmake ninja-build pkg-config git
    libloki-dev
    libsqlite3-dev
    libphonenumber-dev
    libcli11-dev nlohmann-json3-dev
    libgtest-dev libgmock-dev libbenchmark-dev
    clang clang-format clang-tidy libclang-rt-14-dev
    qt6-base-dev qt6-serialport-dev qt6-base-dev-tools
    xvfb xauth
)
# Extra groups, e.g. "windows" for the cross toolchain and wine.
for group in "$@"; do
    case "$group" in
        # The Qt build for Windows needs nothing beyond the host's Qt tools;
        # its offscreen tests under wine draw with the host's DejaVu fonts.
        # nsis (makensis) builds the installer; SQLite's own tools (tcl) make
        # its single-file source; the start-up test's screenshot is taken with
        # imagemagick's import.
        windows) packages+=(g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix mingw-w64-tools wine64 wine dpkg-dev nsis
                            fonts-dejavu-core tcl imagemagick) ;;
        bench) packages+=(hyperfine nodejs time apache2-utils) ;;
        # The SMS gateway the Kannel backend is tested against (bearerbox,
        # smsbox, and fakesmsc from the extras), and the HTTP server of the
        # backend's report listener (its CMake package needs the WebSockets one)
        # and libcurl, its sendsms client.
        kannel) packages+=(kannel kannel-extras qt6-httpserver-dev qt6-websockets-dev libcurl4-openssl-dev) ;;
        *) echo "deps.sh: unknown group '$group'" >&2; exit 2 ;;
    esac
done

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed"; then
        missing+=("$p")
    fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
