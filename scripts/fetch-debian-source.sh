#!/usr/bin/env bash
# Fetches and unpacks one of Debian's source packages, with Debian's patches
# applied: for the Windows cross builds of libraries that Debian ships for the
# host only. Prints the unpacked source folder.
#
# The archive is the one the machine's own apt configuration names for its
# release (one-line "deb" entries or deb822 ".sources" stanzas), so a local
# mirror is used as it is; DEBIAN_MIRROR=URL names another. The source
# entries go into a private apt folder under DEST: the machine's lists and
# sources are left alone.
#
#   scripts/fetch-debian-source.sh PACKAGE[=VERSION] DEST [FOLDER]
#       unpacks into DEST/FOLDER (default: DEST/PACKAGE); does nothing when
#       that folder already holds the package (in that version, if given)
#   scripts/fetch-debian-source.sh --print-sources
#       prints the source entries it would use, and fetches nothing
set -euo pipefail
cd "$(dirname "$0")/.."
print_only=false
if [ "${1:-}" = --print-sources ]; then
    print_only=true
    shift
elif [ $# -lt 2 ]; then
    echo "usage: $0 PACKAGE[=VERSION] DEST [FOLDER] | --print-sources" >&2
    exit 2
fi
request=${1:-}
package=${request%%=*}
version=""
[ "$request" != "$package" ] && version=${request#*=}
dest=${2:-}
folder=${3:-$package}

# The same release as the machine (Debian 12 "bookworm" unless told otherwise).
suite=$(. /etc/os-release && echo "${VERSION_CODENAME:-bookworm}")

# Source entries for `suite`: every "deb" entry of the machine's apt sources
# whose suite is the release itself (not -updates, -security or third-party
# suites), turned into "deb-src" with the component "main". One-line entries
# on standard output, deb822 stanzas in the file named by $1.
machine_sources() {
    local stanzas=$1 list parts
    eval "$(apt-config shell list Dir::Etc::sourcelist/f parts Dir::Etc::sourceparts/d)"
    local one_line=() deb822=()
    [ -f "$list" ] && one_line+=("$list")
    for f in "$parts"*.list; do [ -f "$f" ] && one_line+=("$f"); done
    for f in "$parts"*.sources; do [ -f "$f" ] && deb822+=("$f"); done
    if [ ${#one_line[@]} -gt 0 ]; then
        awk -v suite="$suite" '
            { sub(/#.*/, "") }
            $1 != "deb" { next }
            {
                i = 2; options = ""
                if ($2 ~ /^\[/) {
                    while (i <= NF) { options = options (options == "" ? "" : " ") $i; if ($(i++) ~ /\]$/) break }
                }
                if ($(i + 1) == suite)
                    print "deb-src " (options == "" ? "" : options " ") $i " " suite " main"
            }' "${one_line[@]}"
    fi
    : >"$stanzas"
    if [ ${#deb822[@]} -gt 0 ]; then
        awk -v suite="$suite" '
            BEGIN { RS = ""; FS = "\n" }
            {
                delete value; kept = ""; name = ""
                for (n = 1; n <= NF; n++) {
                    line = $n
                    if (line ~ /^#/) continue
                    if (line ~ /^[ \t]/) {  # continuation of the field before
                        if (name !~ /^(types|uris|suites|components|enabled)$/) kept = kept "\n" line
                        continue
                    }
                    colon = index(line, ":")
                    if (colon == 0) continue
                    name = tolower(substr(line, 1, colon - 1))
                    value[name] = substr(line, colon + 1)
                    if (name !~ /^(types|uris|suites|components|enabled)$/) kept = kept "\n" line
                }
                enabled = tolower(value["enabled"]); gsub(/[ \t]/, "", enabled)
                if (enabled == "no") next
                if ((" " value["types"] " ") !~ /[ \t]deb[ \t]/) next
                if ((" " value["suites"] " ") !~ ("[ \t]" suite "[ \t]")) next
                printf "Types: deb-src\nURIs:%s\nSuites: %s\nComponents: main%s\n\n", value["uris"], suite, kept
            }' "${deb822[@]}" >"$stanzas"
    fi
}

if $print_only; then
    stanzas=$(mktemp)
    trap 'rm -f "$stanzas"' EXIT
    if [ -n "${DEBIAN_MIRROR:-}" ]; then
        echo "deb-src $DEBIAN_MIRROR $suite main"
    else
        machine_sources "$stanzas"
        cat "$stanzas"
    fi
    exit 0
fi

# An unpacked tree starts its changelog with "PACKAGE (VERSION)".
target=$dest/$folder
if [ -f "$target/debian/changelog" ] &&
    head -n1 "$target/debian/changelog" | grep -q "^$package (${version:-[^)]*})"; then
    echo "$target"
    exit 0
fi
apt_dir=$dest/apt

# dpkg-source unpacks the source and applies Debian's patches.
if ! command -v dpkg-source >/dev/null; then
    sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends dpkg-dev >&2
fi

rm -rf "$apt_dir/sources"
mkdir -p "$apt_dir/lists/partial" "$apt_dir/sources"
if [ -n "${DEBIAN_MIRROR:-}" ]; then
    echo "deb-src $DEBIAN_MIRROR $suite main" >"$apt_dir/sources/debian.list"
else
    machine_sources "$apt_dir/sources/debian.sources" >"$apt_dir/sources/debian.list"
fi
# apt takes an empty file for a malformed one.
for f in "$apt_dir"/sources/*; do [ -s "$f" ] || rm -f "$f"; done
if [ -z "$(ls -A "$apt_dir/sources")" ]; then
    echo "fetch-debian-source: the apt sources of this machine name no archive for \"$suite\";" \
         "set DEBIAN_MIRROR to the URL of a Debian archive." >&2
    exit 1
fi

apt_opts=(-o Dir::Etc::SourceList=/dev/null
          -o Dir::Etc::SourceParts="$apt_dir/sources"
          -o Dir::State::Lists="$apt_dir/lists"
          -o Dir::Cache="$apt_dir/cache"
          -o APT::Sandbox::User=root)
mkdir -p "$apt_dir/cache/archives/partial"
apt-get "${apt_opts[@]}" -qq update >&2

work=$(mktemp -d "$dest/fetch.XXXXXX")
trap 'rm -rf "$work"' EXIT
(cd "$work" && apt-get "${apt_opts[@]}" -qq source --download-only "$request" >&2)
dsc=$(ls "$work"/"${package}"_*.dsc | head -n1)
dpkg-source --no-check -x "$dsc" "$work/tree" >&2
rm -rf "${target:?}"
mv "$work/tree" "$target"
echo "$target"
