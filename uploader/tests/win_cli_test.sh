#!/usr/bin/env bash
# brevalin-cli.exe under wine, beside the virtual QUILLSAN.DLL, against the
# Linux program on the same virtual instrument: export-all writes the same
# files byte for byte and a second run skips them all, info and fetch -o match,
# a Linux device path is refused, and a missing COM port is named as one.
# WINEPREFIX is the caller's.
# Usage: win_cli_test.sh WINE BREVALIN_CLI_EXE VIRTUAL_DLL HARDWARE_DLL BREVALIN_CLI OUTPUT_FOLDER
set -euo pipefail
source "$(dirname "$0")/script_lib.sh"
wine="$1"
exe="$(realpath "$2")"
virtual_dll="$(realpath "$3")"
hardware_dll="$(realpath "$4")"
cli="$(realpath "$5")"
out="$(realpath -m "$6")"
rm -rf "$out"
mkdir -p "$out/virtual" "$out/hardware" "$out/home"
cp "$exe" "$virtual_dll" "$out/virtual/"
cp "$exe" "$hardware_dll" "$out/hardware/"

linux() { HOME="$out/home" "$cli" "$@"; }
windows() { (cd "$out/virtual" && "$wine" brevalin-cli.exe "$@"); }

# The flavour is named after the library's folder, "virtual" as in the build.
# export-all into a folder that does not exist yet, named with backslashes.
linux export-all -q "$out/linux" >"$out/linux.out"
winfolder="$("$wine" winepath -w "$out/windows/nested" 2>/dev/null)"
windows export-all -q "$winfolder" >"$out/windows.out" || fail "export-all ended with status $?"
cmp "$out/linux.out" "$out/windows.out" || fail "export-all's summary differs from Linux's"
reports=$(find "$out/linux" -maxdepth 1 -name '*.txt' | wc -l)
[ -n "$(find "$out/linux" -maxdepth 1 -name '*.validation.txt')" ] && [ -n "$(find "$out/linux" -maxdepth 1 -name '*.run.txt')" ] ||
  fail "export-all wrote no validation and run reports"
same_export "$out/linux" "$out/windows/nested" "export-all"
pass "export-all: $reports reports and the manifest as on Linux ($(cat "$out/windows.out"))"

windows export-all -q "$winfolder" >"$out/again.out" || fail "the second export-all ended with status $?"
[ "$(cat "$out/again.out")" = "0 written, $reports skipped, 0 failed" ] ||
  fail "the second export-all: $(cat "$out/again.out")"
pass "a second export-all skips every report"

# info: all but the library's own path, which is a Windows one.
linux info | grep -v '^library file: ' >"$out/linux.info"
windows info >"$out/windows.info.all"
grep -qx 'library file: [A-Z]:\\.*\\QUILLSAN.DLL' "$out/windows.info.all" ||
  fail "info names no Windows path for the library: $(grep '^library file' "$out/windows.info.all")"
grep -v '^library file: ' "$out/windows.info.all" >"$out/windows.info"
cmp "$out/linux.info" "$out/windows.info" || fail "info differs from Linux's"
pass "info as on Linux ($(wc -l <"$out/windows.info.all") lines)"

linux fetch 3 -o "$out/linux-fetch.txt"
windows fetch 3 -o 'fetch.txt' || fail "fetch -o ended with status $?"
cmp "$out/linux-fetch.txt" "$out/virtual/fetch.txt" || fail "fetch -o differs from Linux's"
pass "fetch -o as on Linux ($(wc -c <"$out/virtual/fetch.txt") bytes)"

status=0
windows --link /dev/ttyUSB0 info 2>"$out/device.err" || status=$?
[ "$status" = 2 ] && grep -q "serial device paths name ports on Linux only" "$out/device.err" ||
  fail "a device path: status $status, $(cat "$out/device.err")"
pass "a Linux device path is refused with status 2"

status=0
(cd "$out/hardware" && "$wine" brevalin-cli.exe --link COM250 info) 2>"$out/port.err" || status=$?
[ "$status" = 3 ] && [ "$(cat "$out/port.err")" = "brevalin-cli: COM250: no such port" ] ||
  fail "a missing COM port: status $status, $(cat "$out/port.err")"
pass "a missing COM port: \"$(cat "$out/port.err")\", status 3"
