#!/usr/bin/env bash
# Builds the protocol decoder fuzz targets with clang and runs each for a while
# (default 60 s each). A finding fails the run and leaves its input in build-fuzz/.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
seconds="${1:-60}"
build="$root/build-fuzz"
"$root/scripts/install-deps.sh"
CC=clang CXX=clang++ cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DQUILLSAN_FUZZ=ON -DQUILLSAN_BUILD_TESTS=OFF -DQUILLSAN_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" --target decode_protocol_fuzz decode_protocol2_fuzz
# A sanitizer report of any kind is a finding: it stops the run and fails it.
export ASAN_OPTIONS=halt_on_error=1:abort_on_error=1
export UBSAN_OPTIONS=halt_on_error=1:abort_on_error=1:print_stacktrace=1
status=0
for target in protocol:protocol1 protocol2:protocol2; do
  form="${target%%:*}"
  kept="$root/linklib/fuzz/corpus/${target##*:}"
  corpus="$build/corpus-$form"
  mkdir -p "$corpus"
  echo "== fuzzing the ${form} decoder for ${seconds} s =="
  if ! (cd "$build" && "./linklib/fuzz/decode_${form}_fuzz" -max_total_time="$seconds" \
          -print_final_stats=1 "$corpus" "$kept" > "fuzz-$form.log" 2>&1); then
    tail -40 "$build/fuzz-$form.log"
    status=1
  fi
  grep -E '^(Done|stat::number_of_executed_units)' "$build/fuzz-$form.log" || true
done
exit $status
