#!/usr/bin/env bash
# brevalin.exe under wine on a virtual X display, beside the virtual
# QUILLSAN.DLL: the exact window title and client size, a screenshot once the
# first report is listed, Save to File byte for byte as brevalin-cli saves the
# same report on Linux, the About box closed with Enter, and a missing library
# ending it with status 1 after its box. WINEPREFIX (and DISPLAY, if set) are
# the caller's: wine's desktop process keeps the display it started on, so
# every wine program of one prefix must share it.
# Usage: win32_window_test.sh WINE BREVALIN_EXE QUILLSAN_DLL BREVALIN_CLI OUTPUT_FOLDER
set -euo pipefail
source "$(dirname "$0")/script_lib.sh"
[ -n "${DISPLAY:-}" ] || on_xvfb "$0" "$@"
wine="$1"
exe="$(realpath "$2")"
dll="$(realpath "$3")"
cli="$(realpath "$4")"
out="$(realpath -m "$5")"
rm -rf "$out"
mkdir -p "$out/beside" "$out/alone" "$out/home"
cp "$exe" "$dll" "$out/beside/"
cp "$exe" "$out/alone/"
title="Zantorel Report Upload Utility Version 1.000 (using QUILLSAN.DLL)"

# The report the Linux program saves for the newest run's validation report.
HOME="$out/home" "$cli" fetch -o "$out/expected.txt" >/dev/null

# The visible window whose name is exactly $1, waiting up to 30 s (wine starts slowly).
window_named() {
  for _ in $(seq 300); do
    for id in $(xdotool search --onlyvisible --classname "brevalin" 2>/dev/null); do
      [ "$(xdotool getwindowname "$id" 2>/dev/null)" = "$1" ] && { echo "$id"; return; }
    done
    sleep 0.1
  done
}
gone() { ! kill -0 "$1" 2>/dev/null; }
ended_with() {  # pid status: waits up to 20 s for the program to end with status
  wait_for 200 gone "$1" || { kill "$1"; fail "brevalin.exe did not end"; }
  local status=0
  wait "$1" || status=$?
  [ "$status" = "$2" ] || fail "brevalin.exe ended with status $status, not $2"
}

(cd "$out/beside" && exec "$wine" brevalin.exe) &
pid=$!
trap 'kill $pid 2>/dev/null || true' EXIT
window=$(window_named "$title")
[ -n "$window" ] || fail "no window titled exactly \"$title\""
pass "window title \"$title\""
size=$(client_size "$window")
[ "$size" = "841x463" ] || fail "client area $size, not 841x463"
pass "client area 841x463"
sleep 3 # the first report takes well under a second once the window is up
import -window root "$out/brevalin.png"

# Save to File: the name typed into the save dialog as a Windows path.
click_save "$window"
sleep 2
xdotool type --delay 20 "$(WINEDEBUG=-all "$wine" winepath -w "$out/report.txt" 2>/dev/null)"
xdotool key Return
wait_for 50 test -s "$out/report.txt" || fail "Save to File wrote nothing: the first report was not listed"
sleep 0.5
cmp "$out/expected.txt" "$out/report.txt" || fail "the saved report differs from brevalin-cli fetch -o"
pass "Save to File: $(wc -l <"$out/report.txt") lines, byte for byte as on Linux"

# The About box, closed with Enter.
xdotool mousemove --window "$window" $((264 + 36)) $((384 + 16)) click 1
about=$(window_named "About This Program")
[ -n "$about" ] || fail "no About box captioned exactly \"About This Program\""
xdotool windowfocus --sync "$about" key Return
about_gone() { [ -z "$(xdotool search --onlyvisible --name '^About This Program$' 2>/dev/null)" ]; }
wait_for 30 about_gone || fail "Enter did not close the About box"
pass "the About box, closed with Enter"

# Closing the window ends the program with status 0.
xdotool windowfocus --sync "$window" key alt+F4
ended_with $pid 0
pass "closing the window ends it with status 0"

# No library beside it: the box, then status 1 once it is answered.
(cd "$out/alone" && exec "$wine" brevalin.exe) &
pid=$!
box=$(window_named "")
sleep 1
kill -0 $pid 2>/dev/null || fail "brevalin.exe without its library ended before showing a box"
[ -n "$box" ] || fail "no box with an empty caption for the missing library"
import -window root "$out/missing-library.png"
xdotool windowfocus --sync "$box" key Return
ended_with $pid 1
pass "a missing library: its box, then status 1"
