#!/usr/bin/env bash
# The main job: builds, starts the virtual instrument on a pseudo-terminal and
# talks to it through the hardware QUILLSAN.DLL over the serial line (termios),
# then through the virtual QUILLSAN.DLL in-process.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$root/build"
"$root/scripts/build.sh" "$build" >/dev/null

workdir="$(mktemp -d)"
cd "$workdir"   # REMOTERR.LOG lands here
"$build/instrument/virtual-instrument" > instrument.out &
server=$!
trap 'kill $server 2>/dev/null || true; wait $server 2>/dev/null || true' EXIT

port=""
for _ in $(seq 50); do
  port="$(sed -n 's/.*port index \([0-9][0-9]*\).*/\1/p' instrument.out)"
  [ -n "$port" ] && break
  sleep 0.1
done
[ -n "$port" ] || { echo "the virtual instrument did not start"; cat instrument.out; exit 1; }
cat instrument.out

echo
echo "== Serial link over the pseudo-terminal (hardware QUILLSAN.DLL) =="
"$build/probe/quillsan-probe" "$build/hardware/QUILLSAN.DLL" "$port" 115200
echo
echo "== In-process virtual instrument (virtual QUILLSAN.DLL) =="
"$build/probe/quillsan-probe" "$build/virtual/QUILLSAN.DLL" 0 115200
echo
echo "Diagnostic log: $workdir/REMOTERR.LOG"
