#!/usr/bin/env bash
# Formatting and static checks: every C and C++ file as .clang-format lays it
# out, and clang-tidy (.clang-tidy) clean on the library's, the virtual
# instrument's and the programs' sources, compiled as build/ (or $1) compiles them.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$(cd "${1:-$root/build}" && pwd)"
cd "$root"

sources() {  # tracked files when this is a git checkout, else what the tree holds
  if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
    git ls-files -- "$@"
  else
    for pattern in "$@"; do
      find . -path ./build\* -prune -o -path "./$pattern" -type f -print | sed 's|^\./||'
    done
  fi
}

echo "== clang-format =="
mapfile -t formatted < <(sources '*.c' '*.cpp' '*.h')
unformatted=()
for file in "${formatted[@]}"; do
  clang-format --dry-run -Werror "$file" >/dev/null 2>&1 || unformatted+=("$file")
done
if [ ${#unformatted[@]} -gt 0 ]; then
  echo "not formatted (clang-format -i FILE):"
  printf '  %s\n' "${unformatted[@]}"
  exit 1
fi
echo "${#formatted[@]} files formatted"

echo "== clang-tidy =="
[ -f "$build/compile_commands.json" ] || { echo "no $build/compile_commands.json"; exit 1; }
mapfile -t checked < <(sources 'linklib/src/*.cpp' 'linklib/platform/linux/*.cpp' \
  'linklib/platform/virtual/*.cpp' 'instrument/src/*.cpp' \
  'uploader/core/*.cpp' 'uploader/qt/*.cpp' 'uploader/cli/*.cpp' 'uploader/cli/posix/*.cpp')
run-clang-tidy -quiet -p "$build" -j "$(nproc)" "${checked[@]/#/$root/}" >"$build/clang-tidy.log" 2>&1 || {
  grep -E "(warning|error):" "$build/clang-tidy.log" | grep -v "warnings generated" || tail -20 "$build/clang-tidy.log"
  echo "clang-tidy found the above (full output: $build/clang-tidy.log)"
  exit 1
}
echo "${#checked[@]} files clean"
