#!/usr/bin/env bash
# quillsan.def is the one list of the exports (the version script and the
# tests' list are made from it). This checks everything else that names them:
# the library's dynamic symbols are exactly the .def's names, quillsan.h
# declares them in ordinal order, and the 32-bit callers' stdcall_exports.def
# gives each its ordinal.
#   check_exports.sh LIBRARY quillsan.def quillsan.h stdcall_exports.def
set -euo pipefail
library="$1"
def="$2"
header="$3"
stdcall="$4"
fail() { echo "$1:"; diff <(echo "$2") <(echo "$3") || true; exit 1; }

by_ordinal="$(sed -n 's/^ *\([A-Za-z0-9_]*\) @\([0-9]*\)\r\{0,1\}$/\2 \1/p' "$def" | sort -n)"
names="$(cut -d' ' -f2 <<<"$by_ordinal")"

actual="$(nm -D --defined-only "$library" | awk '{print $3}' | sort)"
[ "$(sort <<<"$names")" = "$actual" ] || fail "exports of $library differ from $def" \
  "$(sort <<<"$names")" "$actual"

declared="$(grep -o 'QUILLSAN_CALL [A-Za-z0-9_]*(' "$header" | sed 's/QUILLSAN_CALL \(.*\)(/\1/')"
[ "$names" = "$declared" ] || fail "$header does not declare the exports of $def in ordinal order" \
  "$names" "$declared"

stdcall_ordinals="$(sed -n 's/^ *\([A-Za-z0-9_]*\)@[0-9]* @\([0-9]*\)\r\{0,1\}$/\2 \1/p' "$stdcall" | sort -n)"
[ "$by_ordinal" = "$stdcall_ordinals" ] || fail "$stdcall differs from $def" \
  "$by_ordinal" "$stdcall_ordinals"

echo "$(wc -l <<<"$actual") exports, as $def lists them; $(basename "$header") and $(basename "$stdcall") agree"
