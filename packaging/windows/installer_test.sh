#!/usr/bin/env bash
# The Windows installer under wine, in a fresh prefix of its own: a silent
# install to the default folder, every file in its place, the Start menu
# shortcuts and the uninstall entry; the installed brevalin-cli.exe against the
# installed virtual library (its export as brevalin-cli exports on Linux) and
# against the hardware one; the registered quiet uninstall removing all of it.
# Then an install to a folder of the user's choosing, a report saved into it,
# and an uninstall that leaves that report where it was.
# Usage: installer_test.sh WINE SETUP_EXE BUILD X64_DLL LINUX_BREVALIN_CLI WORK_FOLDER
#   BUILD is the cross build the installer packs (its virtual/ and hardware/).
set -euo pipefail
wine="$1"
setup="$(realpath "$2")"
build="$(realpath "$3")"
x64_dll="$(realpath "$4")"
linux_cli="$(realpath "$5")"
work="$(realpath -m "$6")"

test_name=installer
source "$(dirname "$0")/../../uploader/tests/script_lib.sh"

export WINEPREFIX="$work/wineprefix" WINEDEBUG=-all
# No desktop entries in the user's home for the shortcuts the installer makes.
export WINEDLLOVERRIDES="winemenubuilder.exe=d"
wineserver="$(command -v wineserver || echo /usr/lib/wine/wineserver64)"
rm -rf "$work"
mkdir -p "$work/home"
"$wine" wineboot --init >/dev/null 2>&1 || true
[ -d "$WINEPREFIX/drive_c/windows" ] || fail "wineboot made no prefix in $WINEPREFIX"

win_env() { "$wine" cmd /c echo "%$1%" 2>/dev/null | tr -d '\r'; }
unix_path() { "$wine" winepath -u "$1" 2>/dev/null | tr -d '\r'; }
key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\brevalin'
reg_value() {  # name: the value's data in the uninstall key, empty when missing
  "$wine" reg query "$key" /v "$1" 2>/dev/null | tr -d '\r' |
    sed -n "s/^ *$1 *REG_[A-Z_]* *//p"
}
menu="$(unix_path "$(win_env ProgramData)\\Microsoft\\Windows\\Start Menu\\Programs\\brevalin")"
shortcuts=("brevalin.lnk" "brevalin (virtual instrument).lnk" "Uninstall brevalin.lnk")

# What the installer puts in its folder: installed name, and the file it is.
layout=(
  "brevalin.exe" "$build/virtual/brevalin.exe"
  "brevalin-cli.exe" "$build/virtual/brevalin-cli.exe"
  "QUILLSAN.DLL" "$build/hardware/QUILLSAN.DLL"
  "x64/QUILLSAN.DLL" "$x64_dll"
  "virtual/brevalin.exe" "$build/virtual/brevalin.exe"
  "virtual/brevalin-cli.exe" "$build/virtual/brevalin-cli.exe"
  "virtual/QUILLSAN.DLL" "$build/virtual/QUILLSAN.DLL"
  "README.txt" ""
  "uninstall.exe" ""
)

# Through cmd, as a user types it: /D= takes the rest of the line, spaces and
# all, which only a command line without quotes around it gives.
cp "$setup" "$WINEPREFIX/drive_c/"
setup_name="$(basename "$setup")"
install_silently() {  # [/D=folder]
  local line="C:\\$setup_name /S $*"
  "$wine" cmd /c "$line" >/dev/null 2>&1 || fail "$line ended with status $?"
}

check_installed() {  # unix_folder windows_folder
  local dir="$1" windir="$2" i
  for ((i = 0; i < ${#layout[@]}; i += 2)); do
    local name="${layout[i]}" source="${layout[i + 1]}"
    [ -f "$dir/$name" ] || fail "$name is not installed in $windir"
    if [ -n "$source" ]; then
      cmp -s "$source" "$dir/$name" || fail "$name in $windir is not $source"
    fi
  done
  x86_64-w64-mingw32-objdump -f "$dir/x64/QUILLSAN.DLL" | grep -q 'file format pei-x86-64' ||
    fail "x64/QUILLSAN.DLL is not a 64-bit DLL"
  grep -q $'^brevalin 1.9 for Windows\r$' "$dir/README.txt" ||
    fail "README.txt does not start with its title in Windows line ends"
  pass "every file in $windir"

  for link in "${shortcuts[@]}"; do
    [ -f "$menu/$link" ] || fail "no Start menu shortcut \"${link%.lnk}\""
  done
  strings -a "$menu/brevalin.lnk" | grep -qxF "$windir\\brevalin.exe" ||
    fail "the shortcut \"brevalin\" does not start $windir\\brevalin.exe"
  strings -a "$menu/brevalin (virtual instrument).lnk" | grep -qxF "$windir\\virtual\\brevalin.exe" ||
    fail "the shortcut \"brevalin (virtual instrument)\" does not start $windir\\virtual\\brevalin.exe"
  pass "Start menu: ${shortcuts[*]}"

  local expected=(
    "DisplayName" "brevalin"
    "DisplayVersion" "1.9"
    "Publisher" "Zantorel Instruments"
    "InstallLocation" "$windir"
    "UninstallString" "\"$windir\\uninstall.exe\""
    "QuietUninstallString" "\"$windir\\uninstall.exe\" /S"
    "NoModify" "0x1"
    "NoRepair" "0x1"
  )
  for ((i = 0; i < ${#expected[@]}; i += 2)); do
    local got
    got="$(reg_value "${expected[i]}")"
    [ "$got" = "${expected[i + 1]}" ] ||
      fail "uninstall entry ${expected[i]} is \"$got\", not \"${expected[i + 1]}\""
  done
  # The programs alone are over 1 MB; the entry counts in KiB.
  local size
  size="$(reg_value EstimatedSize)"
  [[ "$size" =~ ^0x[0-9a-f]+$ ]] && [ $((size)) -gt 1024 ] ||
    fail "uninstall entry EstimatedSize is \"$size\", not a size above 1 MB"
  pass "uninstall entry $key"
}

check_programs() {  # unix_folder windows_folder
  local dir="$1" windir="$2" out="$work/out" status=0
  mkdir -p "$out"
  (cd "$dir/virtual" && "$wine" brevalin-cli.exe info) > "$out/info.txt" 2>&1 ||
    fail "virtual\\brevalin-cli.exe info ended with status $?: $(tr -d '\r' < "$out/info.txt")"
  local line
  for line in "library file: $windir\\virtual\\QUILLSAN.DLL" "library flavour: virtual" \
    "serial number: ZT-96-004217"; do
    tr -d '\r' <"$out/info.txt" | grep -qxF "$line" ||
      fail "virtual\\brevalin-cli.exe info has no line \"$line\""
  done
  pass "virtual\\brevalin-cli.exe info against the installed virtual library"

  (cd "$dir/virtual" && "$wine" brevalin-cli.exe export-all "$(WINEDEBUG=-all "$wine" winepath -w "$out/windows" | tr -d '\r')") \
    > "$out/export.txt" 2>&1 || fail "virtual\\brevalin-cli.exe export-all ended with status $?"
  HOME="$work/home" "$linux_cli" export-all "$out/linux" >/dev/null ||
    fail "the Linux brevalin-cli export-all failed"
  same_export "$out/linux" "$out/windows" "virtual\\brevalin-cli.exe export-all"
  pass "virtual\\brevalin-cli.exe export-all: $(find "$out/windows" -type f | wc -l) files as on Linux"

  # Beside the hardware library there is no instrument to find: status 3.
  (cd "$dir" && timeout 120 "$wine" brevalin-cli.exe info) > "$out/hardware.txt" 2>&1 || status=$?
  [ "$status" = 3 ] ||
    fail "brevalin-cli.exe info beside the hardware library ended with status $status, not 3 (no instrument)"
  pass "brevalin-cli.exe beside the hardware library finds no instrument (status 3)"
  rm -rf "$out"
}

uninstall_silently() {
  local command
  command="$(reg_value QuietUninstallString)"
  [[ "$command" =~ ^\"(.*)\"\ /S$ ]] || fail "QuietUninstallString \"$command\" is not \"PATH\" /S"
  # The uninstaller runs from a copy in %TEMP% and returns at once: wait for
  # the prefix's last program to end.
  "$wine" "${BASH_REMATCH[1]}" /S >/dev/null 2>&1 || fail "the uninstaller ended with status $?"
  timeout 120 "$wineserver" -w || fail "the uninstaller did not end within 120 s"
}

check_removed() {  # unix_folder windows_folder
  local dir="$1" windir="$2" i
  for ((i = 0; i < ${#layout[@]}; i += 2)); do
    [ ! -e "$dir/${layout[i]}" ] || fail "the uninstaller left ${layout[i]} in $windir"
  done
  [ ! -e "$menu" ] || fail "the uninstaller left the Start menu folder: $(ls "$menu")"
  "$wine" reg query "$key" >/dev/null 2>&1 && fail "the uninstaller left $key"
  pass "uninstalled: every installed file, the shortcuts and the uninstall entry are gone"
}

# The default folder, as the installer (a program of its own width) sees it.
windir="$(win_env ProgramFiles)\\Zantorel\\brevalin"
dir="$(unix_path "$windir")"
install_silently
check_installed "$dir" "$windir"
check_programs "$dir" "$windir"
uninstall_silently
check_removed "$dir" "$windir"
[ ! -e "$(dirname "$dir")" ] ||
  fail "the uninstaller left ${windir%\\*}: $(find "$(dirname "$dir")" -printf '%P ')"
pass "the default folder and its Zantorel folder are gone"

# A folder of the user's choosing, with a report the user saved in it.
windir='C:\Lab programs\brevalin'
dir="$(unix_path "$windir")"
install_silently "/D=$windir"
check_installed "$dir" "$windir"
printf 'run 7\r\n' > "$dir/saved report.txt"
printf 'run 8\r\n' > "$dir/virtual/saved report.txt"
uninstall_silently
check_removed "$dir" "$windir"
printf 'run 7\r\n' | cmp -s - "$dir/saved report.txt" &&
  printf 'run 8\r\n' | cmp -s - "$dir/virtual/saved report.txt" ||
  fail "the uninstaller removed or changed the reports saved in $windir"
[ ! -e "$dir/x64" ] || fail "the uninstaller left the empty x64 folder"
pass "/D=$windir: the saved reports stay, with their folders"
"$wineserver" -k 2>/dev/null || true
