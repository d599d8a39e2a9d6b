#!/usr/bin/env bash
# The main job: builds everything, then starts brevalin against the virtual
# instrument (build/virtual/brevalin loads the virtual QUILLSAN.DLL beside it).
# With a display the window simply opens. Without one, brevalin runs on a
# virtual display (Xvfb), fetches the first report, and a screenshot and the
# saved report are kept; their paths are printed at the end.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$root/build"
"$root/scripts/build.sh" "$build" >/dev/null
brevalin="$build/virtual/brevalin"

if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  workdir="$(mktemp -d)"
  cd "$workdir"   # REMOTERR.LOG lands here
  echo "Starting $brevalin (diagnostic log: $workdir/REMOTERR.LOG)"
  exec "$brevalin"
fi

out="$build/brevalin-run"
"$root/uploader/tests/screenshot_test.sh" "$brevalin" "$out"
