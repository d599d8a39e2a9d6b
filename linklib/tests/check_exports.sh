#!/usr/bin/env bash
# The library's dynamic symbols are exactly the exports of the .def file, and
# the 28 that brevalin resolves are among them.
set -euo pipefail
library="$1"
def="$2"
expected="$(sed -n 's/^ *\([A-Za-z0-9_]*\) @[0-9]*$/\1/p' "$def" | sort)"
actual="$(nm -D --defined-only "$library" | awk '{print $3}' | sort)"
if [ "$expected" != "$actual" ]; then
  echo "exports differ from $def:"
  diff <(echo "$expected") <(echo "$actual") || true
  exit 1
fi
for name in GetDLLVersion GetDLLName GetInstrumentStatus GetRemoteError ClearRemoteError \
            GetSlaveParameter SetSlaveParameter GetUser GetUserHandle GetFolderHandle \
            GetProtocolHandle InitRemoteComm InstrumentControl GetItemList GetItemName \
            GetProtocol GetItemType InsertUser InsertFolder InsertProtocol DeleteItem \
            StoreRunProtocol ClearRunProtocol GetHeadStatus GetDLLName2 GetPCRVersion \
            GetPCRSerNum GetItemCount; do
  grep -qx "$name" <<<"$actual" || { echo "missing $name"; exit 1; }
done
echo "$(wc -l <<<"$actual") exports, as $def lists them"
