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
            ./usr/share/icons/hicolor/scalable/apps/korvane.svg ./usr/share/icons/hicolor/48x48/apps/korvane.png; do
  grep -qx "$file" <<<"$contents" || fail "the package lacks $file"
done
# Only the program goes into the package: no tests, benchmarks or build files.
extra="$(grep -vE '^\./(usr/((bin|share)/|bin/(korvane|w98)|share/(applications|icons)/.*)?)?$' <<<"$contents" || true)"
[ -z "$extra" ] || fail "unexpected files in the package: $extra"
echo "debian package ok"
