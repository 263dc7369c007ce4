#!/usr/bin/env bash
# Builds the Debian package from the build folder into a temporary folder and checks what
# apt will read from it: the name, the files, and the dependencies on the Debian 12 packages
# of the libraries Korvane links and of what Qt loads at run time.
set -euo pipefail
build="$1"
tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

(cd "$build" && cpack -G DEB -B "$tmp" >"$tmp/cpack.log" 2>&1) || fail "cpack: $(cat "$tmp/cpack.log")"
shopt -s nullglob
debs=("$tmp"/korvane_*.deb)
[ ${#debs[@]} = 1 ] || fail "expected one korvane_*.deb, got: ${debs[*]:-none}"
deb="${debs[0]}"

info="$(dpkg-deb -I "$deb")"
field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = korvane ] || fail "package name: $(field Package)"
[ "$(field Architecture)" = "$(dpkg --print-architecture)" ] || fail "architecture: $(field Architecture)"
[ -n "$(field Maintainer)" ] || fail "no maintainer"
[ -n "$(field Description)" ] || fail "no description"

# Each dependency by package name, versions and alternatives aside.
depends="$(field Depends)"
names="$(tr ',|' '\n\n' <<<"$depends" | sed 's/(.*)//; s/^ *//; s/ *$//')"
for needed in libqt6core6 libqt6gui6 libqt6widgets6 qt6-qpa-plugins libjpeg62-turbo libgcab-1.0-0 \
              fonts-noto-cjk; do
  grep -qx "$needed" <<<"$names" || fail "Depends lacks $needed: $depends"
done
grep -q "Depends:" <<<"$info" || fail "dpkg-deb -I shows no Depends"
# The registry files are read by the program itself; libcreg is only the tests' second reader.
! grep -qx "libcreg1" <<<"$names" || fail "Depends still names libcreg1: $depends"

contents="$(dpkg-deb -c "$deb" | awk '{print $6}')"
for file in ./usr/bin/korvane ./usr/bin/w98 ./usr/share/applications/korvane.desktop \
            ./usr/share/icons/hicolor/scalable/apps/korvane.svg ./usr/share/icons/hicolor/48x48/apps/korvane.png \
            ./usr/share/doc/korvane/copyright ./usr/share/doc/korvane/changelog.Debian.gz \
            ./usr/share/man/man1/korvane.1.gz ./usr/share/man/man1/w98.1.gz \
            ./usr/share/metainfo/io.github.korvane.Korvane.metainfo.xml \
            ./usr/share/bash-completion/completions/korvane; do
  grep -qx "$file" <<<"$contents" || fail "the package lacks $file"
done
# Only the program goes into the package: no tests, benchmarks or build files.
extra="$(grep -vE '^\./(usr/((bin|share)/|bin/(korvane|w98)|share/(applications|icons|man|metainfo|lintian|bash-completion)/.*|share/doc/(korvane/.*)?)?)?$' \
         <<<"$contents" || true)"
[ -z "$extra" ] || fail "unexpected files in the package: $extra"

# What Debian's checker and a software centre read from it.
report="$(lintian --fail-on error,warning --tag-display-limit 0 "$deb" 2>&1)" || fail "lintian: $report"
dpkg-deb -x "$deb" "$tmp/root"
doc="$tmp/root/usr/share/doc/korvane"
grep -qx "Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/" "$doc/copyright" ||
  fail "the copyright file is not machine-readable"
gzip -dc "$doc/changelog.Debian.gz" >"$tmp/changelog"
changelog="$(dpkg-parsechangelog -l "$tmp/changelog" -S Version)"
[ "$changelog" = "$(field Version)" ] || fail "the changelog is for $changelog, the package is $(field Version)"
for page in korvane w98; do
  text="$(LC_ALL=C.UTF-8 MANROFFSEQ='' MANWIDTH=80 man --warnings -E UTF-8 -l "$tmp/root/usr/share/man/man1/$page.1.gz" 2>&1 >/dev/null)"
  [ -z "$text" ] || fail "man $page: $text"
done
metainfo="$tmp/root/usr/share/metainfo/io.github.korvane.Korvane.metainfo.xml"
report="$(appstreamcli validate --no-net "$metainfo" 2>&1)" || fail "appstreamcli: $report"
grep -q '<launchable type="desktop-id">korvane.desktop</launchable>' "$metainfo" || fail "the metadata names no desktop entry"
grep -q "<release version=\"$(field Version | sed 's/-[^-]*$//')\"" "$metainfo" || fail "the metadata has no release $(field Version)"
echo "debian package ok"
