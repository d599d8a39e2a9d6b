#!/usr/bin/env bash
# Starts the real brevalin under a virtual X display against the virtual
# QUILLSAN.DLL beside it, waits for the first report, and keeps a screenshot of
# the window and the report saved through its Save to File button.
# Usage: screenshot_test.sh BREVALIN OUTPUT_FOLDER
set -euo pipefail
brevalin="$(realpath "$1")"
out="$(realpath -m "$2")"
mkdir -p "$out"
rm -f "$out/brevalin.png" "$out/report.txt"
cd "$out"   # REMOTERR.LOG lands here
exec xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
  set -euo pipefail
  out="$1"; brevalin="$2"
  "$brevalin" & pid=$!
  trap "kill $pid 2>/dev/null || true" EXIT
  # The window takes its title once the program is up.
  for _ in $(seq 100); do
    xwininfo -root -tree 2>/dev/null | grep -q "Zantorel Report Upload Utility" && break
    sleep 0.1
  done
  xwininfo -root -tree | grep -q "Zantorel Report Upload Utility" \
    || { echo "brevalin did not open its window"; exit 1; }
  sleep 2   # the first report takes well under a second
  kill -0 $pid || { echo "brevalin ended early"; exit 1; }
  import -window root "$out/brevalin.png"
  if command -v xdotool >/dev/null; then
    # Save to File (568,384 in the 849x490 window, centred on 1024x768), then
    # type the file name into the save dialog.
    xdotool mousemove $((87 + 568 + 44)) $((139 + 384 + 16)) click 1
    sleep 1
    xdotool type --delay 20 "$out/report.txt"
    xdotool key Return
    for _ in $(seq 30); do [ -s "$out/report.txt" ] && break; sleep 0.1; done
  fi
  echo "Screenshot: $out/brevalin.png"
  echo "Diagnostic log: $PWD/REMOTERR.LOG"
  [ -s "$out/report.txt" ] || { echo "no report was saved: the first report was not listed"; exit 1; }
  echo "Report file: $out/report.txt"
' screenshot "$out" "$brevalin"
