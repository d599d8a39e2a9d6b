#!/usr/bin/env bash
# The whole test suite again with AddressSanitizer and UndefinedBehaviorSanitizer,
# then the export tests once under valgrind memcheck.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$root/build-asan"
"$root/scripts/install-deps.sh"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUILLSAN_SANITIZE=ON \
  -DQUILLSAN_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" --parallel "$(nproc)"
# Every finding ends its test with a failure; none is only printed.
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:halt_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1:abort_on_error=1
(cd "$build" && ctest --output-on-failure --parallel "$(nproc)" --timeout 300)

echo "== export tests under valgrind memcheck =="
plain="$root/build"
valgrind --quiet --error-exitcode=1 --leak-check=full --errors-for-leak-kinds=definite \
  "$plain/linklib/tests/linklib_dll_tests" --gtest_brief=1
