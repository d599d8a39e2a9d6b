#!/usr/bin/env bash
# Builds the Debian packages from a build folder (default build/), checks them
# with lintian, unpacks them into a scratch folder and runs the unpacked
# brevalin-cli and Python package there against the virtual instrument.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$(cd "${1:-$root/build}" && pwd)"

cd "$build"
rm -f ./*.deb
cpack -G DEB
# maintscript-calls-ldconfig: CPack adds ldconfig to the library's scripts
# because its private folder lies under /usr/lib; running it there is harmless.
lintian --fail-on error --suppress-tags maintscript-calls-ldconfig ./*.deb

scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT
for deb in ./*.deb; do dpkg-deb -x "$deb" "$scratch/root"; done
cli="$scratch/root/usr/bin/brevalin-cli"
library="$scratch/root/usr/lib/brevalin/virtual/QUILLSAN.DLL"
mkdir "$scratch/reports"
cd "$scratch"  # the library's log lands here

fail() { echo "package.sh: $*" >&2; exit 1; }
info="$("$cli" --library "$library" info)"
echo "$info"
grep -q '^firmware version: 1\.009$' <<<"$info" || fail "info from the unpacked package is wrong"
summary="$("$cli" --library "$library" --quiet export-all "$scratch/reports" --type both)"
echo "$summary"
[ "$summary" = "24 written, 0 skipped, 0 failed" ] || fail "export-all from the unpacked package"
[ "$(find "$scratch/reports" -name '*.txt' | wc -l)" -eq 24 ] || fail "export-all left no 24 files"
summary="$("$cli" --library "$library" --quiet export-all "$scratch/reports" --type both)"
[ "$summary" = "0 written, 24 skipped, 0 failed" ] || fail "a second export-all did not skip: $summary"
# The Python package finds the library folder of the unpacked quillsan beside it.
identity="$(PYTHONPATH="$scratch/root/usr/lib/python3/dist-packages" /usr/bin/python3 -B \
  "$scratch/root/usr/share/doc/python3-quillsan/examples/identity.py" --virtual)"
grep -q '^firmware version: 1\.009$' <<<"$identity" || fail "the unpacked Python package: $identity"
echo "package.sh: packages built, lintian clean of errors, the unpacked brevalin-cli and Python package work"
