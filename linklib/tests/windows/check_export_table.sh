#!/usr/bin/env bash
# The DLL's export table holds exactly the names of the .def file, undecorated,
# at the ordinals the .def file gives them.
set -euo pipefail
dll="$1"
def="$2"
objdump=i686-w64-mingw32-objdump
expected="$(sed -n 's/^ *\([A-Za-z0-9_]*\) @\([0-9]*\)$/\2 \1/p' "$def" | sort -n)"
# Lines of the name pointer table: "[   0] +base[   1] 0000 ClearRemoteError"
actual="$("$objdump" -p "$dll" |
  sed -n 's/^\s*\[ *[0-9]*\] +base\[ *\([0-9]*\)\] [0-9a-f]* \(.*\)$/\1 \2/p' | sort -n)"
if [ "$expected" != "$actual" ]; then
  echo "FAIL export table of $dll differs from $def:"
  diff <(echo "$expected") <(echo "$actual") || true
  exit 1
fi
echo "ok   $(wc -l <<<"$actual") exports of $(basename "$(dirname "$dll")")/$(basename "$dll") at their ordinals, undecorated"
