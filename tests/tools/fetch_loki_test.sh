#!/usr/bin/env bash
# scripts/fetch-loki-source.sh takes its archive from the machine's apt
# sources: one-line and deb822 entries of the release itself become deb-src
# entries; other suites, disabled stanzas and other files are left out.
set -u
script="$1"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
suite=$(. /etc/os-release && echo "${VERSION_CODENAME:-bookworm}")
mkdir -p "$work/parts"
cat >"$work/apt.conf" <<CONF
Dir::Etc::sourcelist "$work/sources.list";
Dir::Etc::sourceparts "$work/parts";
CONF
cat >"$work/sources.list" <<LIST
# the release, twice, one with options and a comment
deb http://a.example/debian $suite main contrib
deb [arch=amd64 signed-by=/k.gpg] http://b.example/debian $suite main # local
deb http://a.example/debian $suite-updates main
deb-src http://a.example/debian $suite main
deb http://c.example/apt tool-$suite main
LIST
cat >"$work/parts/d.sources" <<SOURCES
Types: deb deb-src
URIs: http://d.example/debian http://e.example/debian
Suites: $suite $suite-updates
Components: main non-free
Signed-By:
 -----BEGIN PGP PUBLIC KEY BLOCK-----
 .
 key
 -----END PGP PUBLIC KEY BLOCK-----

Types: deb
URIs: http://f.example/debian-security
Suites: $suite-security
Components: main

Types: deb
URIs: http://g.example/debian
Suites: $suite
Components: main
Enabled: no
SOURCES
echo "deb http://h.example/debian $suite main" >"$work/parts/h.list.disabled"

cat >"$work/expected" <<EXPECTED
deb-src http://a.example/debian $suite main
deb-src [arch=amd64 signed-by=/k.gpg] http://b.example/debian $suite main
Types: deb-src
URIs: http://d.example/debian http://e.example/debian
Suites: $suite
Components: main
Signed-By:
 -----BEGIN PGP PUBLIC KEY BLOCK-----
 .
 key
 -----END PGP PUBLIC KEY BLOCK-----

EXPECTED
APT_CONFIG="$work/apt.conf" bash "$script" --print-sources >"$work/got" 2>&1
if diff -u "$work/expected" "$work/got"; then
    echo "ok   the machine's archive for $suite, as deb-src"
else
    echo "FAIL sources differ"
    exit 1
fi
