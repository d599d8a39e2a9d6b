#!/usr/bin/env bash
# The whole test suite: installs what is missing, builds every flavour, runs
# every test, then fuzzes the protocol decoders for a minute each.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$root/build"
"$root/scripts/build.sh" "$build"
(cd "$build" && ctest --output-on-failure --parallel "$(nproc)" --timeout 120)
"$root/scripts/fuzz.sh" 60
