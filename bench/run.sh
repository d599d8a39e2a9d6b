#!/usr/bin/env bash
# Runs every benchmark and collects their ratio lines into bench/RESULTS.md.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$root/build}"
out="$root/bench/RESULTS.md"
lines=()
for bench in "$build"/bench/*_bench; do
  [ -x "$bench" ] || continue
  echo "== $(basename "$bench") =="
  result="$("$bench" 2>&1 | tee /dev/stderr | sed 's/\x1b\[[0-9;]*m//g' | grep -E '^[a-z][a-z ]*: .*x the' || true)"
  [ -n "$result" ] && lines+=("$result")
done
{
  echo "# Benchmark results"
  echo
  echo "Last run: $(date -u '+%Y-%m-%d %H:%M UTC') on $(nproc) cores ($(uname -m)), build \`$(basename "$build")\`."
  echo "Each line gives the measured figure and its ratio to the floor it is compared with."
  echo
  for line in "${lines[@]}"; do printf -- '- %s\n' "$line"; done
} > "$out"
cat "$out"
