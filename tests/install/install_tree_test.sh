#!/usr/bin/env bash
# Installs the build into a temporary prefix and checks it as a desktop would use it: the
# programs side by side, a valid desktop entry naming an installed icon, the icon at every
# size, and the installed korvane starting on a machine named on its command line and closing.
set -euo pipefail
build="$1"
tmp="$(mktemp -d)"
pid=""
cleanup() {
  if [ -n "$pid" ]; then kill -KILL "$pid" 2>/dev/null || true; fi
  rm -rf "$tmp"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

prefix="$tmp/prefix"
cmake --install "$build" --prefix "$prefix" >/dev/null

[ -x "$prefix/bin/korvane" ] || fail "bin/korvane is not installed"
[ -x "$prefix/bin/w98" ] || fail "bin/w98 is not installed beside korvane, where korvane looks for it"

# The desktop entry: valid without errors or warnings, in Simplified Chinese with English beside it.
desktop="$prefix/share/applications/korvane.desktop"
[ -f "$desktop" ] || fail "no desktop entry in share/applications"
report="$(desktop-file-validate "$desktop" 2>&1)" || fail "desktop-file-validate: $report"
if grep -qiE "error|warning" <<<"$report"; then fail "desktop-file-validate: $report"; fi
grep -qx "Type=Application" "$desktop" || fail "the entry is not an application"
grep -qx "Exec=korvane" "$desktop" || fail "the entry does not start korvane"
grep -qE "^Name=[A-Za-z]" "$desktop" || fail "no English name"
grep -qE "^Comment=[A-Za-z]" "$desktop" || fail "no English comment"
grep -qE "^Name\[zh_CN\]=.*[^ -~]" "$desktop" || fail "no Simplified Chinese name"
grep -qE "^Comment\[zh_CN\]=.*[^ -~]" "$desktop" || fail "no Simplified Chinese comment"
grep -q "^Comment\[zh_CN\]=.*Windows 98" "$desktop" || fail "the Chinese comment does not say what it is for"

# The icon the entry names, as SVG and as PNG at the hicolor theme's sizes.
icon="$(sed -n 's/^Icon=//p' "$desktop")"
[ -n "$icon" ] || fail "the entry names no icon"
hicolor="$prefix/share/icons/hicolor"
grep -q "<svg" "$hicolor/scalable/apps/$icon.svg" || fail "no scalable icon $icon.svg"
for size in 16 22 24 32 48 64 128 256; do
  png="$hicolor/${size}x${size}/apps/$icon.png"
  [ -f "$png" ] || fail "no ${size}x${size} icon"
  # PNG signature, then the IHDR chunk's width and height (big-endian, bytes 16 to 23).
  [ "$(head -c 8 "$png" | od -An -tx1 | tr -d ' \n')" = "89504e470d0a1a0a" ] || fail "$png is not a PNG"
  read -r w h < <(od -An -tu1 -j16 -N8 "$png" | awk '{print $1*16777216+$2*65536+$3*256+$4, $5*16777216+$6*65536+$7*256+$8}')
  [ "$w" = "$size" ] && [ "$h" = "$size" ] || fail "the ${size}x${size} icon is ${w}x${h}"
done

# The installed programs on a machine of their own. WIN98_MACHINE names another folder, which
# --machine overrides: that folder must stay untouched.
export HOME="$tmp/home" XDG_DATA_HOME="$tmp/data" XDG_RUNTIME_DIR="$tmp/runtime"
mkdir -p "$HOME" "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
machine="$tmp/machine"
export WIN98_MACHINE="$tmp/elsewhere"
WIN98_MACHINE="$machine" "$prefix/bin/w98" attrib 'C:\MSDOS.SYS' >/dev/null || fail "the installed w98 cannot run attrib"
[ -d "$machine/drive_c" ] || fail "the installed w98 did not create the demo machine"

# MS-DOS programs forbidden before the start: the run lifts it and the close puts it back.
policy='HKEY_CURRENT_USER\SoftWare\Microsoft\Windows\CurrentVersion\Policies\WinOldApp'
printf 'REGEDIT4\r\n\r\n[%s]\r\n"Disabled"=dword:00000001\r\n\r\n' "$policy" >"$machine/drive_c/policy.reg"
WIN98_MACHINE="$machine" "$prefix/bin/w98" regedit /s 'C:\policy.reg' >/dev/null || fail "cannot import the policy"

# The reinstall batch is the last thing start-up writes: once it is there, the window is up.
find "$machine/drive_c" -maxdepth 2 -iname 98.bat -delete
QT_QPA_PLATFORM=offscreen "$prefix/bin/korvane" --machine "$machine" >"$tmp/korvane.log" 2>&1 &
pid=$!
batch=""
for _ in $(seq 1 600); do
  batch="$(find "$machine/drive_c" -maxdepth 2 -iname 98.bat)"
  [ -n "$batch" ] && break
  kill -0 "$pid" 2>/dev/null || break
  sleep 0.1
done
[ -n "$batch" ] || fail "the installed korvane did not finish its start-up: $(cat "$tmp/korvane.log")"
sleep 1
kill -TERM "$pid"
rc=0
wait "$pid" || rc=$?
pid=""
[ "$rc" = 0 ] || fail "the installed korvane ended with $rc: $(cat "$tmp/korvane.log")"
[ ! -e "$WIN98_MACHINE" ] || fail "korvane used WIN98_MACHINE although --machine named another machine"

WIN98_MACHINE="$machine" "$prefix/bin/w98" regedit /e 'C:\after.reg' "$policy" >/dev/null || fail "cannot export the policy"
after="$(tr -d '\r' <"$machine/drive_c/after.reg")"
grep -qx '"old"=dword:00000001' <<<"$after" || fail "start-up did not remember the restriction: $after"
grep -qx '"Disabled"=dword:00000001' <<<"$after" || fail "closing did not put the restriction back: $after"
echo "install tree ok"
