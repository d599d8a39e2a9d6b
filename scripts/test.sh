#!/usr/bin/env bash
# The whole test suite: installs what is missing, builds every flavour, checks
# formatting and clang-tidy, runs every test, each GoogleTest program again as
# one shuffled process and the benchmarks briefly, the Python package as pip
# installs it; then the Windows builds and their tests under wine, the suite
# again under the sanitizers and valgrind, and a minute of fuzzing per decoder.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$root/build"
"$root/scripts/build.sh" "$build"
# Formatting and clang-tidy, on the sources as this build compiles them.
"$root/scripts/static-checks.sh" "$build"
(cd "$build" && ctest --output-on-failure --parallel "$(nproc)" --timeout 120)
# ctest gives every test a process of its own; each GoogleTest program must
# also pass as one process with its tests in a random order (the order's number
# is printed so that a failing order can be run again).
echo "== every GoogleTest program as one process, tests shuffled =="
programs="$(cd "$build" && ctest --show-only=json-v1 | python3 -c '
import json, sys
seen = []
for test in json.load(sys.stdin)["tests"]:
    command = test.get("command", [])
    if any(a.startswith("--gtest_filter") for a in command[1:]) and command[0] not in seen:
        seen.append(command[0])
print("\n".join(seen))')"
[ -n "$programs" ] || { echo "no GoogleTest programs found in $build"; exit 1; }
order=$((RANDOM % 99999 + 1))
while IFS= read -r program; do
  echo "-- $(basename "$program") --gtest_shuffle --gtest_random_seed=$order"
  (cd "$build" && "$program" --gtest_shuffle --gtest_random_seed="$order" --gtest_brief=1)
done <<<"$programs"
# Every benchmark once, briefly, with generous limits: one that no longer runs fails here.
echo "== benchmarks, short run =="
"$root/bench/run.sh" --short "$build"
# The Python package installed with pip, its type check, tests and examples.
"$root/scripts/python.sh" "$build"
# The Debian packages, checked and run from their unpacked tree.
"$root/scripts/package.sh" "$build"
# The soak again with other fault plans, its figures in the log (ctest keeps them quiet).
echo "== fault soak: brevalin over every link kind at 5% and 20% faults =="
QT_QPA_PLATFORM=offscreen "$build/uploader/tests/soak/brevalin_soak" --rounds 16 --plan 2
"$root/scripts/windows.sh"
"$root/scripts/sanitize.sh"
"$root/scripts/fuzz.sh" 60
