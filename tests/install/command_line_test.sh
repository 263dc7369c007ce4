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

# --- korvane's commands: no window, no display, the window's checks and messages ---
cli=(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$korvane")
# Every file of a machine folder with its bytes and MS-DOS attributes: "nothing written" compares it.
tree_sum() { (cd "$1" && find . -type f -print0 | sort -z | xargs -0 -r md5sum && getfattr -R -d -m user. . 2>/dev/null | sort) | md5sum; }
folder="$tmp/cli-folder"
WIN98_MACHINE="$folder" "$w98" attrib 'C:\IO.SYS' >/dev/null || fail "w98 made no demo machine at $folder"

run "${cli[@]}" --help
for text in "list " "show N" "create " "restore N" "undo " "korvane --machine ~/win98.vdi restore 2 --yes" "2 命令行用法错误"; do
  grep -qF -- "$text" <<<"$out" || fail "--help lacks the commands' '$text': $out"
done
run "${cli[@]}" list --help
[ "$rc" = 0 ] && grep -qF "用法：korvane list [选项]" <<<"$out" && grep -qF -- "--json" <<<"$out" || fail "list --help: $rc '$out'"
grep -qF -- "--yes" <<<"$out" && fail "list --help offers --yes: $out"
run "${cli[@]}" restore --help
for text in "用法：korvane restore [选项] [N]" "--yes" "--restart" "--file <FILE>" "--machine <DIR|FILE|DEVICE>"; do
  grep -qF -- "$text" <<<"$out" || fail "restore --help lacks '$text': $out"
done

before="$(tree_sum "$folder")"
run "${cli[@]}" --machine "$folder" list
[ "$rc" = 0 ] || fail "list on a folder exits with $rc: $err"
list_folder="$out"
[ "$(wc -l <<<"$out")" = 9 ] || fail "list gives $(wc -l <<<"$out") lines, not the demo's 9 points: $out"
[ "$(cut -f1 <<<"$out" | tr '\n' ' ')" = "1 2 3 4 5 6 7 8 9 " ] || fail "list is not numbered 1 to 9: $out"
[ "$(awk -F'\t' '{print NF}' <<<"$out" | sort -u)" = 5 ] || fail "a list line has not five fields: $out"
[ "$(sed -n 2p <<<"$out" | cut -f3-4)" = "$(printf '您手动建立的系统还原点\t注册表备份文件包')" ] || fail "line 2: $(sed -n 2p <<<"$out")"
[ "$(sed -n 4p <<<"$out" | cut -f3)" = "系统还原前的备份" ] || fail "line 4: $(sed -n 4p <<<"$out")"
[ "$(sed -n 9p <<<"$out" | cut -f3-5)" = "$(printf '初装win98时的系统备份\t注册表文件\tC:\\WINDOWS\\system.da0')" ] || fail "line 9: $(sed -n 9p <<<"$out")"
grep -qP '^1\t20\d\d-\d{1,2}-\d{1,2} \d{1,2}:\d\d:\d\d\t' <<<"$out" || fail "dates are not as the table shows them: $out"
env WIN98_MACHINE="$folder" "${cli[@]}" list >"$tmp/env-list" 2>&1
[ "$(cat "$tmp/env-list")" = "$list_folder" ] || fail "WIN98_MACHINE does not name the machine of list"

run "${cli[@]}" --machine "$folder" list --json
[ "$rc" = 0 ] || fail "list --json exits with $rc: $err"
[ "$(jq length <<<"$out")" = 9 ] || fail "list --json holds $(jq length <<<"$out") points"
[ "$(jq -r '.[] | [.number, .date, .note, .file] | @tsv' <<<"$out" | sed 's/\\\\/\\/g')" = "$(cut -f1-3,5 <<<"$list_folder")" ] ||
  fail "list --json does not hold the rows of list: $out"
[ "$(jq -r '[.[].kind] | unique | join(" ")' <<<"$out")" = "cabinet registry-pair" ] || fail "kinds: $out"
jq -e 'all(.[]; .dateIso | test("^20[0-9][0-9]-[01][0-9]-[0-3][0-9]T[0-2][0-9]:[0-5][0-9]:[0-5][0-9]$"))' <<<"$out" >/dev/null ||
  fail "dateIso is not ISO 8601: $out"
[ "$(jq -r '.[0].date | split(" ")[0]' <<<"$out")" = "$(jq -r '.[0].dateIso[0:10] | split("-") | map(tonumber | tostring) | join("-")' <<<"$out")" ] ||
  fail "dateIso is another day than date: $out"

run "${cli[@]}" --machine "$folder" show 3
[ "$rc" = 0 ] && [ -n "$out" ] || fail "show 3: $rc '$out' '$err'"
show_plain="$out"
third="$(sed -n 3p <<<"$list_folder" | cut -f5)"
run "${cli[@]}" --machine "$folder" show --file "$(tr '[:upper:]' '[:lower:]' <<<"$third")" --json
[ "$rc" = 0 ] || fail "show --file: $rc '$err'"
[ "$(jq -r '.preview[]' <<<"$out")" = "$show_plain" ] || fail "show --json previews another point than show 3: $out"
[ "$(jq -r .number <<<"$out")" = 3 ] || fail "show --file names point $(jq -r .number <<<"$out"), not 3"
[ "$(tree_sum "$folder")" = "$before" ] || fail "list or show wrote into the machine"

# Usage errors: exit 2, a Chinese message, nothing written.
check_usage() {
  local expected="$1"
  shift
  run "${cli[@]}" --machine "$folder" "$@" </dev/null
  [ "$rc" = 2 ] || fail "'$*' exits with $rc, not 2: $err"
  grep -qF -- "$expected" <<<"$err" || fail "'$*' says '$err', not '$expected'"
}
check_usage "请指定还原点" show
check_usage "“abc”不是还原点的编号" show abc
check_usage "“0”不是还原点的编号" restore 0 --yes
check_usage "多余的参数“2”" restore 1 2 --yes
check_usage "多余的参数“now”" create now
check_usage "还原点的编号和 --file 只能指定一个" restore 1 --file 'C:\WINDOWS\SYSBCKUP\RB003.CAB' --yes
check_usage "未知的选项“yes”" list --yes
check_usage "未知的选项“json”" restore 1 --json
check_usage "不在终端上运行时，还原需要 --yes 确认" restore 1
check_usage "不在终端上运行时，还原需要 --yes 确认" undo
[ "$(tree_sum "$folder")" = "$before" ] || fail "a usage error wrote into the machine"

# Refusals: exit 1, the window's message, nothing written.
check_refusal() {
  local where="$1" expected="$2"
  shift 2
  run "${cli[@]}" --machine "$where" "$@" </dev/null
  [ "$rc" = 1 ] || fail "'$*' on $where exits with $rc, not 1: $err"
  grep -qF -- "$expected" <<<"$err" || fail "'$*' says '$err', not '$expected'"
  [ -z "$out" ] || fail "'$*' refused but printed '$out'"
}
check_refusal "$folder" "没有编号为 10 的还原点：这台机器共有 9 个还原点" restore 10 --yes
check_refusal "$folder" "没有以“C:\\WINDOWS\\SYSBCKUP\\RB999.CAB”为文件的还原点" restore --file 'C:\WINDOWS\SYSBCKUP\RB999.CAB' --yes
check_refusal "$tmp/no-such-machine" "no-such-machine" list
[ ! -e "$tmp/no-such-machine" ] || fail "a command made the missing machine"
damaged="$tmp/cli-damaged"
cp -a "$folder" "$damaged"
newest_cab="$(sed -n 1p <<<"$list_folder" | cut -f5 | sed 's/^C:\\WINDOWS\\SYSBCKUP\\//')"
printf 'MSCF broken' >"$(find "$damaged/drive_c" -ipath "*/windows/sysbckup/$newest_cab" | head -1)"
damaged_before="$(tree_sum "$damaged")"
check_refusal "$damaged" "已经损坏，无法解开" restore 1 --yes
grep -qF "系统没有作任何改动，请选择其它的还原点。" <<<"$err" || fail "the damaged cabinet's refusal is not the window's: $err"
[ "$(tree_sum "$damaged")" = "$damaged_before" ] || fail "a refused restore wrote into the machine"
[ "$before" = "$(tree_sum "$folder")" ] || fail "a refusal wrote into the machine"

# A machine folder: the job is armed for the next start; --restart restarts and tells the result.
run "${cli[@]}" --machine "$folder" restore 3 --yes
[ "$rc" = 0 ] || fail "restore 3 on a folder exits with $rc: $err"
grep -qF "下次启动这台机器时，Windows 载入之前完成还原" <<<"$out" || fail "restore on a folder says '$out'"
[ -f "$folder/drive_c/dosrun.bat" ] || fail "restore on a folder armed no job"
autoexec() { find "$1/drive_c" -maxdepth 1 -iname autoexec.bat | head -1; }
grep -qiF 'call C:\dosrun.bat' "$(autoexec "$folder")" || fail "C:\\AUTOEXEC.BAT does not run the job"
run "${cli[@]}" --machine "$folder" list
[ "$(wc -l <<<"$out")" = 10 ] && [ "$(sed -n 1p <<<"$out" | cut -f3)" = "系统还原前的备份" ] ||
  fail "the state before the restore is not the newest point: $out"
restarted="$tmp/cli-restarted"
cp -a "$damaged" "$restarted"
run "${cli[@]}" --machine "$restarted" restore 2 --yes --restart
[ "$rc" = 0 ] || fail "restore --restart exits with $rc: $err"
grep -qF "上次的系统还原已经完成：系统已还原到 $(sed -n 2p <<<"$list_folder" | cut -f2) 的还原点。" <<<"$out" ||
  fail "restore --restart says '$out'"
grep -qiF 'call C:\dosrun.bat' "$(autoexec "$restarted")" && fail "the job is still armed after the restart"

# Disks: a raw image and the same disk as a VDI list the same points; list writes nothing.
run "${cli[@]}" --machine "$image" list
[ "$rc" = 0 ] || fail "list on a raw image exits with $rc: $err"
list_raw="$out"
[ "$(wc -l <<<"$out")" -ge 2 ] || fail "list on a raw image: $out"
vdi="$tmp/demo98.vdi"
qemu-img convert -f raw -O vdi "$image" "$vdi" || fail "qemu-img made no VDI"
image_before="$(md5sum <"$image")"
vdi_before="$(md5sum <"$vdi")"
run "${cli[@]}" --machine "$vdi" list
[ "$rc" = 0 ] && [ "$out" = "$list_raw" ] || fail "list on the VDI is not list on the raw image: $rc '$out' '$err'"
run "${cli[@]}" --machine "$image" show 2
[ "$rc" = 0 ] || fail "show on a raw image: $rc '$err'"
[ "$(md5sum <"$image")" = "$image_before" ] && [ "$(md5sum <"$vdi")" = "$vdi_before" ] || fail "list or show wrote into a disk"
check_refusal "$image" "没有编号为 99 的还原点" show 99
[ "$(md5sum <"$image")" = "$image_before" ] || fail "a refusal wrote into the disk"

# The volume of a partitioned image as its own file, for fsck.fat, which takes no offset.
fsck_clean() {
  local start
  start="$(od -An -tu4 -j454 -N4 "$1" | tr -d ' ')"
  dd if="$1" of="$tmp/volume" bs=512 skip="$start" status=none
  fsck.fat -n "$tmp/volume" >"$tmp/fsck" 2>&1 || fail "fsck.fat -n after $2: $(cat "$tmp/fsck")"
}
# A script on the VDI: create, restore, undo, each in the disk before it says so.
for step in "create" "restore 3 --yes" "undo --yes"; do
  # shellcheck disable=SC2086
  run "${cli[@]}" --machine "$vdi" $step
  [ "$rc" = 0 ] || fail "'$step' on the VDI exits with $rc: $err"
  check="$(qemu-img check -f vdi "$vdi" 2>&1)" || fail "qemu-img check after '$step': $check"
done
run "${cli[@]}" --machine "$vdi" list
grep -qF "$(printf '\t您手动建立的系统还原点\t')" <<<"$out" || fail "create made no point on the VDI: $out"
[ "$(sed -n 1p <<<"$out" | cut -f3)" = "系统还原前的备份" ] || fail "restore kept no state before on the VDI: $out"
# A container a virtual PC holds: refused with the window's message, nothing written.
qemu-storage-daemon --blockdev "driver=file,filename=$vdi,node-name=f" --blockdev driver=vdi,file=f,node-name=d \
  >/dev/null 2>&1 &
vm=$!
for _ in $(seq 100); do
  run "${cli[@]}" --machine "$vdi" list
  [ "$rc" = 1 ] && break
  sleep 0.1
done
held_before="$(md5sum <"$vdi")"
check_refusal "$vdi" "正被虚拟机使用" restore 1 --yes
[ "$(md5sum <"$vdi")" = "$held_before" ] || fail "a restore into a container in use wrote into it"
kill "$vm"
wait "$vm" 2>/dev/null
run "${cli[@]}" --machine "$image" restore 2 --yes
[ "$rc" = 0 ] || fail "restore 2 on the raw image exits with $rc: $err"
grep -qF "系统还原已经完成：系统已还原到 $(sed -n 2p <<<"$list_raw" | cut -f2) 的还原点。" <<<"$out" ||
  fail "restore on the raw image says '$out'"
[ "$(md5sum <"$image")" != "$image_before" ] || fail "restore wrote nothing into the raw image"
fsck_clean "$image" "restore 2"
run "${cli[@]}" --machine "$image" create
[ "$rc" = 0 ] && [ "$(sed -n 1p <<<"$out")" = "可随时建立系统还原点...已建立" ] || fail "create on the raw image: $rc '$out' '$err'"
grep -qF "$(printf '\t您手动建立的系统还原点\t注册表备份文件包\tC:\\WINDOWS\\sysbckup\\restore1\\')" <<<"$out" ||
  fail "create does not print the new point: $out"
fsck_clean "$image" "create"

# A full disk: the restore is not kept, the window's message says why, the image keeps every byte.
full="$tmp/full.img"
"$w98" --demo-image "$full" >/dev/null || fail "w98 made no demo image at $full"
free="$(mdir -i "$full@@32256" :: | grep "bytes free" | tr -dc '0-9')"
head -c $((free - 2048)) /dev/zero >"$tmp/filler"
mcopy -i "$full@@32256" "$tmp/filler" ::FILLER.BIN || fail "mcopy could not fill $full"
full_before="$(md5sum <"$full")"
check_refusal "$full" "的驱动器 C: 已满" restore 2 --yes
[ "$(md5sum <"$full")" = "$full_before" ] || fail "a restore into a full disk wrote into it"

# Bash completion: commands, a command's options and the machine's point numbers.
complete() { :; }
_filedir() { :; }
_init_completion() {
  words=("${COMP_WORDS[@]}")
  cword=$COMP_CWORD
  cur="${COMP_WORDS[COMP_CWORD]}"
  prev="${COMP_WORDS[COMP_CWORD - 1]}"
}
# shellcheck source=/dev/null
source "$(dirname "$0")/../../packaging/korvane.bash-completion"
completes() {
  COMP_WORDS=("$@")
  COMP_CWORD=$(($# - 1))
  COMPREPLY=()
  _korvane
  echo "${COMPREPLY[*]}"
}
[ "$(completes "$korvane" re)" = "restore" ] || fail "completion of 're': $(completes "$korvane" re)"
[ "$(completes "$korvane" --machine "$folder" "")" = "list show create restore undo" ] || fail "completion of the commands"
[ "$(completes "$korvane" restore --r)" = "--restart" ] || fail "completion of restore's options: $(completes "$korvane" restore --r)"
[ "$(completes "$korvane" list --)" = "--help --machine --json" ] || fail "completion of list's options: $(completes "$korvane" list --)"
[ "$(completes "$korvane" --machine "$folder" show 1)" = "1 10" ] || fail "completion of point numbers: $(completes "$korvane" --machine "$folder" show 1)"

[ "$failures" = 0 ] || exit 1
echo "command lines ok"
