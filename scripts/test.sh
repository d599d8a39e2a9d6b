#!/usr/bin/env bash
# The whole test suite: installs what is missing, builds every flavour, runs
# every test; then the Windows builds and their tests under wine, the suite
# again under the sanitizers and valgrind, and a minute of fuzzing per decoder.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$root/build"
"$root/scripts/build.sh" "$build"
(cd "$build" && ctest --output-on-failure --parallel "$(nproc)" --timeout 120)
# The Debian packages, checked and run from their unpacked tree.
"$root/scripts/package.sh" "$build"
# The soak again with other fault plans, its figures in the log (ctest keeps them quiet).
echo "== fault soak: brevalin over every link kind at 5% and 20% faults =="
QT_QPA_PLATFORM=offscreen "$build/uploader/tests/soak/brevalin_soak" --rounds 16 --plan 2
"$root/scripts/windows.sh"
"$root/scripts/sanitize.sh"
"$root/scripts/fuzz.sh" 60
