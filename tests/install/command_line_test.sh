#!/usr/bin/env bash
# The command lines of korvane and w98 as a user types them in a terminal: help and the
# version without any display, errors reported in Chinese with a failing exit code and
# nothing created, and w98's list of stand-in programs.
set -uo pipefail
korvane="$1"
w98="$2"
tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

export HOME="$tmp/home" XDG_DATA_HOME="$tmp/data" XDG_RUNTIME_DIR="$tmp/runtime"
mkdir -p "$HOME" "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
export WIN98_MACHINE="$tmp/machine"
# Runs a command, keeping its exit code, output and errors; never waits for a window.
run() {
  rc=0
  timeout 60 "$@" >"$tmp/out" 2>"$tmp/err" || rc=$?
  out="$(cat "$tmp/out")"
  err="$(cat "$tmp/err")"
}
no_display=(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM)

# --- korvane: help and version in a terminal without a display ---
run "${no_display[@]}" "$korvane" --help
[ "$rc" = 0 ] || fail "--help exits with $rc: $err"
for text in "用法：" "选项：" "-h, --help" "--help-all" "-v, --version" "--machine <DIR|FILE|DEVICE>" "WIN98_MACHINE"; do
  grep -qF -- "$text" <<<"$out" || fail "--help lacks '$text': $out"
done
if grep -qE "Usage|Options|Displays" <<<"$out"; then fail "--help left English texts: $out"; fi
grep -qE "^ *--(platform|style)" <<<"$out" && fail "--help lists Qt's options, which belong to --help-all"

run "${no_display[@]}" "$korvane" --version
[ "$rc" = 0 ] && [ "$out" = "korvane 2.1" ] || fail "--version gives '$out' ($rc)"
run "${no_display[@]}" "$korvane" -v
[ "$out" = "korvane 2.1" ] || fail "-v gives '$out'"

run "${no_display[@]}" "$korvane" --help-all
[ "$rc" = 0 ] || fail "--help-all exits with $rc"
grep -qE "^ *--platform" <<<"$out" || fail "--help-all lacks Qt's own options: $out"
grep -qF -- "--machine <DIR|FILE|DEVICE>" <<<"$out" || fail "--help-all lacks --machine"

# Without a display the window is refused with a clear message, and a folder called --help is
# a machine, not a request for help.
for args in "" "--machine --help"; do
  # shellcheck disable=SC2086
  run "${no_display[@]}" "$korvane" $args
  [ "$rc" = 1 ] || fail "'korvane $args' without a display exits with $rc: $err"
  [ -z "$out" ] || fail "'korvane $args' without a display printed: $out"
  grep -qF "没有可用的显示" <<<"$err" || fail "'korvane $args' without a display does not say why: $err"
  [ ! -e "$WIN98_MACHINE" ] || fail "'korvane $args' without a display created the machine"
done
run "${no_display[@]}" "$korvane" --bogus
[ "$rc" = 1 ] && grep -qF "未知的选项“bogus”" <<<"$err" || fail "--bogus without a display: $rc '$err'"

# --- korvane: wrong command lines fail before any machine is created ---
check_error() {
  local expected="$1"
  shift
  run env QT_QPA_PLATFORM=offscreen "$korvane" "$@"
  [ "$rc" != 0 ] || fail "'$*' succeeded"
  grep -qF -- "$expected" <<<"$err" || fail "'$*' says '$err', not '$expected'"
  [ ! -e "$WIN98_MACHINE" ] || fail "'$*' created the machine"
}
check_error "未知的选项“bogus”" --bogus
check_error "选项“--machine”后面缺少值" --machine
check_error "--machine 需要机器所在的文件夹" --machine ""
check_error "多余的参数“C:\\WINDOWS”" 'C:\WINDOWS'

# --- w98 ---
run "$w98" --help
[ "$rc" = 0 ] || fail "w98 --help exits with $rc"
for name in attrib boot command extract internat regedit scanreg scanregw setup sfc smartdrv win; do
  grep -qE "^  $name +[^ ]" <<<"$out" || fail "w98 --help does not list $name: $out"
done
grep -qF "用法：w98 程序 [参数...]" <<<"$out" || fail "w98 --help has no usage line: $out"
grep -qF "VHD、VDI、VMDK、qcow2、VHDX 容器" <<<"$out" && grep -qF "块设备" <<<"$out" ||
  fail "w98 --help does not name the containers and devices: $out"
run "$w98" -h
[ "$rc" = 0 ] && grep -qE "^  scanreg " <<<"$out" || fail "w98 -h gives no help"

run "$w98" notepad /p
[ "$rc" = 2 ] || fail "an unknown program name exits with $rc, not 2"
grep -qF "没有名为“notepad”的替身程序" <<<"$err" || fail "unknown name message: '$err'"
grep -qF "w98 --help" <<<"$err" || fail "the unknown name message does not point to w98 --help"
[ ! -e "$WIN98_MACHINE" ] || fail "an unknown program name created the machine"

run "$w98"
[ "$rc" != 0 ] || fail "w98 without a program succeeded"
grep -qF "用法：w98" <<<"$err" || fail "w98 without a program says '$err'"

# A known name in another case and with its extension runs on the machine.
run "$w98" ATTRIB.EXE 'C:\IO.SYS'
[ "$rc" = 0 ] || fail "w98 ATTRIB.EXE exits with $rc: $err"
grep -qF 'C:\IO.SYS' <<<"$out" || fail "w98 ATTRIB.EXE printed '$out'"

# A demo disk image: made whole where asked, never over an existing file, and opened as a machine.
export XDG_CACHE_HOME="$tmp/cache"
image="$tmp/demo98.img"
run "$w98" --demo-image "$image"
[ "$rc" = 0 ] || fail "w98 --demo-image exits with $rc: $err"
grep -qF "korvane --machine $image" <<<"$out" || fail "w98 --demo-image does not say how to open the image: $out"
[ "$(stat -c %s "$image")" = 134217728 ] || fail "the demo image is not 128 MB"
run env WIN98_MACHINE="$image" "$w98" attrib 'C:\WINDOWS\SYSTEM.DAT'
[ "$rc" = 0 ] && grep -qF 'SHR     C:\WINDOWS\SYSTEM.DAT' <<<"$out" || fail "the demo image as a machine: $rc '$out' '$err'"
before="$(md5sum <"$image")"
run "$w98" --demo-image "$image" fat16
[ "$rc" = 1 ] && grep -qF "已经存在" <<<"$err" || fail "w98 --demo-image over an existing file: $rc '$err'"
[ "$(md5sum <"$image")" = "$before" ] || fail "w98 --demo-image changed an existing file"
for args in "" "$tmp/x.img fat12" "$tmp/x.img fat32 more"; do
  # shellcheck disable=SC2086
  run "$w98" --demo-image $args
  [ "$rc" = 2 ] && grep -qF "用法：w98 --demo-image 文件 [fat16|fat32]" <<<"$err" || fail "'w98 --demo-image $args': $rc '$err'"
done
run "$w98" --demo-image "$tmp/missing/x.img"
[ "$rc" = 1 ] && grep -qF "文件夹“$tmp/missing”不存在" <<<"$err" || fail "a demo image in a missing folder: $rc '$err'"
[ -z "$(ls -A "$tmp/cache/korvane/disks" 2>/dev/null | grep -v demo98)" ] || fail "w98 --demo-image left a mirror behind"
[ ! -e "$tmp/x.img" ] || fail "a refused demo image was made"

# A mistyped disk image or a device that is not there yet is refused, and nothing is made there.
for missing in "$tmp/typo.vdi" "$tmp/Win98.IMG" "/dev/korvane-no-such-device"; do
  run env WIN98_MACHINE="$missing" "$w98" attrib 'C:\IO.SYS'
  [ "$rc" != 0 ] && grep -qF "找不到 $missing：没有这个磁盘映像或设备" <<<"$err" || fail "a missing $missing: $rc '$err'"
  [ ! -e "$missing" ] || fail "a machine was made at the missing $missing"
done

[ "$failures" = 0 ] || exit 1
echo "command lines ok"
