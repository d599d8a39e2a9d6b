#!/usr/bin/env bash
# Runs every benchmark and collects their ratio lines into bench/RESULTS.md.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$root/build}"
out="$root/bench/RESULTS.md"
# brevalin's benchmarks open windows: without a display they get a virtual X server.
run_bench() {
  case "$(basename "$1")" in
    brevalin_*)
      if [ -z "${DISPLAY:-}" ]; then
        if command -v xvfb-run >/dev/null; then
          xvfb-run -a "$1"
        else
          echo "xvfb-run not found: using Qt's offscreen platform" >&2
          QT_QPA_PLATFORM=offscreen "$1"
        fi
        return
      fi ;;
  esac
  "$1"
}
lines=()
for bench in "$build"/bench/*_bench; do
  [ -x "$bench" ] || continue
  echo "== $(basename "$bench") =="
  # A benchmark may print several ratio lines; each becomes an entry.
  while IFS= read -r line; do
    lines+=("$line")
  done < <(run_bench "$bench" 2>&1 | tee /dev/stderr | sed 's/\x1b\[[0-9;]*m//g' |
    grep -E '^[a-z][a-z -]*: .*x the' || true)
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
