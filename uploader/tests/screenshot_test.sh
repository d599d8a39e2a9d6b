#!/usr/bin/env bash
# Starts the real brevalin under a virtual X display of its own against the
# virtual QUILLSAN.DLL beside it, waits for the first report, keeps a
# screenshot of the window, saves the report through Save to File, and checks
# the captions the window manager would show: the main window's, the About
# box's and the empty one of a message box.
# Usage: screenshot_test.sh BREVALIN OUTPUT_FOLDER
set -euo pipefail
source "$(dirname "$0")/script_lib.sh"
[ -n "${BREVALIN_TEST_XVFB:-}" ] || on_xvfb "$0" "$@"
brevalin="$(realpath "$1")"
out="$(realpath -m "$2")"
mkdir -p "$out"
rm -f "$out/brevalin.png" "$out/report.txt"
cd "$out" # REMOTERR.LOG lands here
title="Zantorel Report Upload Utility Version 1.000 (using QUILLSAN.DLL)"
"$brevalin" &
pid=$!
trap 'kill $pid 2>/dev/null || true' EXIT

# The caption as xprop prints it: quoted, or nothing at all when empty.
caption() {
  xprop -id "$1" _NET_WM_NAME | grep -q "^_NET_WM_NAME(UTF8_STRING) =" || { echo "<none>"; return; }
  xprop -id "$1" _NET_WM_NAME | sed -n "s/^_NET_WM_NAME(UTF8_STRING) = //p"
}
# The shown window of brevalin whose caption is exactly $1, or nothing.
shown_with_caption() {
  for id in $(xdotool search --onlyvisible --classname brevalin 2>/dev/null); do
    [ "$(caption "$id")" = "$1" ] && { echo "$id"; return; }
  done
  true
}
shown() { [ -n "$(shown_with_caption "$1")" ]; }
wait_for_caption() {
  wait_for 50 shown "$1" || true
  shown_with_caption "$1"
}

window=$(wait_for_caption "\"$title\"")
[ -n "$window" ] || fail "brevalin did not open its window titled \"$title\""
# The client area: a caption bar and borders make the window about 849 x 490.
size=$(client_size "$window")
[ "$size" = "841x463" ] || fail "client area $size, not 841x463"
sleep 2 # the first report takes well under a second
kill -0 $pid || fail "brevalin ended early"
import -window root "$out/brevalin.png"

# Save to File, then type the file name into the save dialog.
save() {
  click_save "$window"
  sleep 1
  xdotool type --delay 20 "$out/report.txt"
  xdotool key Return
}
save
wait_for 30 test -s "$out/report.txt" || fail "no report was saved: the first report was not listed"
# Again: the replace question comes in a box with an empty caption. Cancel.
save
box=$(wait_for_caption "")
[ -n "$box" ] || fail "the replace question has no box with an empty caption"
xdotool key Escape
# The About box, closed with Enter.
xdotool mousemove --window "$window" $((264 + 36)) $((384 + 16)) click 1
about=$(wait_for_caption "\"About This Program\"")
[ -n "$about" ] || fail "no About box captioned exactly \"About This Program\""
xdotool key Return
sleep 0.5
! shown "\"About This Program\"" || fail "Enter did not close the About box"

echo "Screenshot: $out/brevalin.png"
echo "Diagnostic log: $PWD/REMOTERR.LOG"
echo "Report file: $out/report.txt"
echo "Captions: main window, About box and message box exact"
