#!/usr/bin/env bash
# The DLL's export table holds exactly the names of the .def file, undecorated,
# at the ordinals the .def file gives them.
set -euo pipefail
dll="$1"
def="$2"
objdump=i686-w64-mingw32-objdump
expected="$(sed -n 's/^ *\([A-Za-z0-9_]*\) @\([0-9]*\)$/\2 \1/p' "$def" | sort -n)"
# The name pointer table lists "[  N] Name" with N the ordinal less the base.
table="$("$objdump" -p "$dll")"
base="$(sed -n 's/.*Ordinal Base[[:space:]]*\([0-9][0-9]*\).*/\1/p' <<<"$table" | head -n 1)"
[ -n "$base" ] || { echo "FAIL no export table in $dll"; exit 1; }
actual="$(sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' <<<"$table" |
  sed -n 's/^\s*\[ *\([0-9]*\)\] \([A-Za-z0-9_@]*\)$/\1 \2/p' |
  awk -v base="$base" '{ print $1 + base, $2 }' | sort -n)"
if [ "$expected" != "$actual" ]; then
  echo "FAIL export table of $dll differs from $def:"
  diff <(echo "$expected") <(echo "$actual") || true
  exit 1
fi
echo "ok   $(wc -l <<<"$actual") exports of $(basename "$(dirname "$dll")")/$(basename "$dll") at their ordinals, undecorated"
