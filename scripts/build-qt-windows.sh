#!/usr/bin/env bash
# Cross-builds Qt 6 for Windows with Debian's mingw-w64 (posix threads), from
# Debian's own source package of the host's Qt version, with the host's Qt
# tools (moc, rcc, uic) doing the build-time work. Debian ships Qt for the
# host only. Prints the install prefix, for CMAKE_PREFIX_PATH.
#
# Only what the program needs: Core, Gui, Widgets (with the Windows Vista
# style), Test, and the windows and offscreen platform plugins. Qt is static,
# so the programs ship as one file each with no Qt or compiler runtime DLLs.
#
# The result is kept in the user's cache folder, keyed by Qt version,
# architecture and the build options, so a machine builds it once:
#   ${XDG_CACHE_HOME:-~/.cache}/vantorix/qt-<version>-<arch>-<options hash>
#
#   scripts/build-qt-windows.sh [x86_64|i686]    (default: x86_64)
#   scripts/build-qt-windows.sh --prefix [ARCH]  prints the prefix, builds nothing
#
# JOBS=N sets the build's parallelism (default: the number of cores).
set -euo pipefail
cd "$(dirname "$0")/.."
repo=$PWD

prefix_only=false
if [ "${1:-}" = --prefix ]; then
    prefix_only=true
    shift
fi
arch=${1:-x86_64}
case "$arch" in
    x86_64 | i686) ;;
    *) echo "build-qt-windows: unknown architecture '$arch'" >&2; exit 2 ;;
esac
triple=$arch-w64-mingw32
toolchain=$repo/windows/toolchain-$arch.cmake

# The host's Qt: its tools run during the build, and must be of the very
# version that is built.
source_version=$(dpkg-query -W -f='${source:Version}' qt6-base-dev 2>/dev/null) || {
    echo "build-qt-windows: qt6-base-dev is not installed (scripts/deps.sh)" >&2
    exit 1
}
upstream=${source_version%%+*}
upstream=${upstream%%-*}
host_cmake_dir=/usr/lib/$(dpkg-architecture -qDEB_HOST_MULTIARCH 2>/dev/null || echo x86_64-linux-gnu)/cmake

# What the program needs, and nothing else: fewer modules, plugins and
# bundled libraries make a shorter build.
options=(
    -DCMAKE_BUILD_TYPE=Release
    -DBUILD_SHARED_LIBS=OFF
    -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF -DQT_BUILD_BENCHMARKS=OFF
    -DQT_BUILD_TOOLS_WHEN_CROSSCOMPILING=OFF
    # Modules the program does not use.
    -DFEATURE_network=OFF -DFEATURE_sql=OFF -DFEATURE_dbus=OFF -DFEATURE_xml=OFF
    -DFEATURE_printsupport=OFF -DFEATURE_concurrent=OFF -DFEATURE_vulkan=OFF
    # No OpenGL, and no dynamic OpenGL loader, which
    # FEATURE_opengl=OFF alone leaves on (and the windows plugin then fails
    # to compile).
    -DINPUT_opengl=no -DFEATURE_dynamicgl=OFF
    # The Direct2D platform plugin: the windows plugin draws with GDI. Its
    # DirectWrite font database is built only along with Direct2D, so it
    # goes too (GDI's is the default anyway).
    -DFEATURE_direct2d=OFF -DFEATURE_directwrite3=OFF
    # Pen tablets: Debian's source leaves out the Wintab header they need.
    -DFEATURE_tabletevent=OFF
    # Image formats beyond PNG and the Windows icons; markdown; ICU (Windows
    # has its own collation); zstd (resources stay zlib-compressed).
    -DFEATURE_jpeg=OFF -DFEATURE_gif=OFF -DFEATURE_textmarkdownreader=OFF
    -DFEATURE_textmarkdownwriter=OFF -DFEATURE_icu=OFF -DFEATURE_zstd=OFF
    # The bundled copies of the libraries Qt needs, built for Windows.
    -DFEATURE_system_zlib=OFF -DFEATURE_system_png=OFF -DFEATURE_system_pcre2=OFF
    -DFEATURE_system_freetype=OFF -DFEATURE_system_harfbuzz=OFF
    -DFEATURE_system_doubleconversion=OFF
    -DINPUT_libb2=qt
)
# The key: version, architecture, options, the toolchain files and the
# recipe's revision (raise it when a change below needs a new build).
recipe=1
hash=$( (printf '%s\n' "$recipe" "$source_version" "$arch" "${options[@]}"
         cat "$toolchain" "$repo/windows/MingwToolchain.cmake") |
       sha256sum | cut -c1-12)
cache=${XDG_CACHE_HOME:-$HOME/.cache}/vantorix
prefix=$cache/qt-$upstream-$arch-$hash
if $prefix_only || [ -f "$prefix/.vantorix-complete" ]; then
    echo "$prefix"
    exit 0
fi

log=$cache/qt-$upstream-$arch-$hash.log
echo "build-qt-windows: building Qt $source_version for $triple into $prefix" \
     "(once per machine; log in $log)" >&2
src=$("$repo/scripts/fetch-debian-source.sh" "qt6-base=$source_version" "$cache/src" \
      "qt6-base-$source_version")

# The build folder is kept until an install succeeds: a run after a failed
# or interrupted one, or with other options, goes on from what was built.
build=$cache/build-qt-$upstream-$arch
rm -rf "$prefix"
mkdir -p "$build"
# Static Qt for static programs: the mingw runtime goes in statically too.
if ! (cmake -S "$src" -B "$build" -G Ninja --toolchain "$toolchain" \
          -DCMAKE_INSTALL_PREFIX="$prefix" \
          -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR="$host_cmake_dir" "${options[@]}" &&
      cmake --build "$build" -j "${JOBS:-$(nproc)}" &&
      cmake --install "$build") >"$log" 2>&1; then
    echo "build-qt-windows: the build failed; the end of $log:" >&2
    tail -n 40 "$log" >&2
    exit 1
fi
touch "$prefix/.vantorix-complete"
rm -rf "$build"
echo "$prefix"
