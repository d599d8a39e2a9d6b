#!/usr/bin/env bash
# Runs every benchmark and collects their figure lines into bench/RESULTS.md.
# A benchmark that is missing, fails, misses its limit or prints no figure
# fails the run. With --short (the test command's mode) each runs briefly with
# limits twice as generous and RESULTS.md is left alone.
#   bench/run.sh [--short] [BUILD_DIR]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
mode=()
if [ "${1:-}" = "--short" ]; then
  mode=(--short)
  shift
fi
build="${1:-$root/build}"
out="$root/bench/RESULTS.md"
# brevalin's benchmarks open windows: without a display they get a virtual X server.
run_bench() {
  case "$(basename "$1")" in
    brevalin_*)
      if [ -z "${DISPLAY:-}" ]; then
        if command -v xvfb-run >/dev/null; then
          xvfb-run -a "$@"
        else
          echo "xvfb-run not found: using Qt's offscreen platform" >&2
          QT_QPA_PLATFORM=offscreen "$@"
        fi
        return
      fi ;;
  esac
  "$@"
}
names=(engine serial usb)
# brevalin's and brevalin-cli's benchmarks exist where brevalin is built (Qt 6).
[ -e "$build/virtual/brevalin" ] && names+=(brevalin cli)
output="$(mktemp)"
trap 'rm -f "$output"' EXIT
lines=()
status=0
for name in "${names[@]}"; do
  bench="$build/bench/${name}_bench"
  echo "== ${name}_bench ${mode[*]} =="
  if [ ! -x "$bench" ]; then
    echo "FAIL ${name}_bench was not built"
    status=1
    continue
  fi
  if ! run_bench "$bench" "${mode[@]}" 2>&1 | tee "$output"; then
    echo "FAIL ${name}_bench failed or missed its limit"
    status=1
  fi
  # Every figure line names its limit; each becomes an entry.
  if ! figures="$(sed 's/\x1b\[[0-9;]*m//g' "$output" | grep -E '^[a-z][a-z -]*: .*limit')"; then
    echo "FAIL ${name}_bench printed no figure"
    status=1
    continue
  fi
  while IFS= read -r line; do lines+=("$line"); done <<<"$figures"
done
[ "$status" -eq 0 ] || exit "$status"
[ ${#mode[@]} -eq 0 ] || exit 0
{
  echo "# Benchmark results"
  echo
  echo "Last run: $(date -u '+%Y-%m-%d %H:%M UTC') on $(nproc) cores ($(uname -m)), build \`$(basename "$build")\`."
  echo "Each line gives the measured figure, what it is compared with and its limit."
  echo
  for line in "${lines[@]}"; do printf -- '- %s\n' "$line"; done
} > "$out"
cat "$out"
