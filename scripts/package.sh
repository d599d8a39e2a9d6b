#!/usr/bin/env bash
# Builds the Debian packages from a build folder (default build/), checks them
# with lintian and by their contents (hardening, maintainer scripts, the nightly
# export's units, the manual page), unpacks them into a scratch folder and runs
# the unpacked brevalin-cli and Python package there against the virtual instrument.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$(cd "${1:-$root/build}" && pwd)"

cd "$build"
rm -f ./*.deb
cpack -G DEB
lintian --fail-on error ./*.deb

scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT
for deb in ./*.deb; do dpkg-deb -x "$deb" "$scratch/root"; done
cli="$scratch/root/usr/bin/brevalin-cli"
library="$scratch/root/usr/lib/brevalin/virtual/QUILLSAN.DLL"
fail() { echo "package.sh: $*" >&2; exit 1; }

# The header is the same on every architecture.
[ "$(dpkg-deb -f ./quillsan-dev_*.deb Architecture)" = all ] || fail "quillsan-dev is not Architecture: all"

# Maintainer scripts: no library is on the linker's path, so no ldconfig, and
# the nightly timer is the administrator's to enable.
for deb in ./*.deb; do
  control="$scratch/control/$(basename "$deb")"
  mkdir -p "$control" && dpkg-deb -e "$deb" "$control"
  if grep -l ldconfig "$control"/* 2>/dev/null; then fail "$deb: a control file calls ldconfig"; fi
  if grep -lE '(systemctl|deb-systemd-helper|deb-systemd-invoke)( [-a-z]+)* (enable|start|restart)' \
       "$control"/* 2>/dev/null; then
    fail "$deb: a maintainer script enables or starts a unit"
  fi
done
cli_control="$scratch/control/$(basename ./brevalin-cli_*.deb)"
cli_files="$(dpkg-deb -c ./brevalin-cli_*.deb)"
for file in usr/lib/systemd/system/brevalin-export.service usr/lib/systemd/system/brevalin-export.timer \
            etc/brevalin/export.conf etc/logrotate.d/brevalin-cli; do
  grep -q " \./$file\$" <<<"$cli_files" || fail "brevalin-cli lacks /$file"
done
for conffile in /etc/brevalin/export.conf /etc/logrotate.d/brevalin-cli; do
  grep -qx "$conffile" "$cli_control/conffiles" || fail "$conffile is no conffile"
done
grep -q 'adduser --system' "$cli_control/postinst" || fail "brevalin-cli's postinst creates no user"

# Every program and library carries the hardening: relro, bind-now, stack
# protector and fortified libc calls.
elves=0
while IFS= read -r -d '' file; do
  [ "$(head -c 4 "$file" | od -An -tx1 | tr -d ' ')" = 7f454c46 ] || continue
  elves=$((elves + 1))
  name="${file#"$scratch/root"}"
  readelf -lW "$file" | grep -q GNU_RELRO || fail "$name: no relro"
  readelf -dW "$file" | grep -qE '\(BIND_NOW\)|\(FLAGS(_1)?\).* NOW' || fail "$name: no bind-now"
  symbols="$(readelf --dyn-syms -W "$file")"
  grep -q ' __stack_chk_fail' <<<"$symbols" || fail "$name: no stack protector"
  # Fortified: no call of a function that has a checked variant goes unchecked.
  plain="$(grep -oE ' (memcpy|memmove|memset|strcpy|strncpy|strcat|strncat|sprintf|snprintf|vsnprintf|vsprintf|printf|fprintf|read|fgets|realpath|getcwd)(@[A-Z_0-9.]+)?$' <<<"$symbols" | head -3 | tr '\n' ' ' || true)"
  if [ -n "$plain" ] && ! grep -qE ' __[a-z0-9_]+_chk(@|$)' <<<"$symbols"; then
    fail "$name: no fortified calls ($plain)"
  fi
done < <(find "$scratch/root" -type f -print0)
[ "$elves" -ge 6 ] || fail "only $elves ELF files in the packages"

# The units as systemd reads them, with ExecStart pointing into the unpacked
# tree so that the program's presence is checked too, and the manual page of
# Documentation= looked up there.
mkdir "$scratch/units"
for unit in "$scratch"/root/usr/lib/systemd/system/brevalin-export.*; do
  sed "s|/usr/bin/brevalin-cli|$scratch/root/usr/bin/brevalin-cli|" "$unit" >"$scratch/units/${unit##*/}"
done
grep -q "^ExecStart=$scratch/root/usr/bin/brevalin-cli " "$scratch/units/brevalin-export.service" \
  || fail "the service does not run /usr/bin/brevalin-cli"
# Warnings (an unknown key, say) count as failures too.
verify="$(MANPATH="$scratch/root/usr/share/man" systemd-analyze verify "$scratch"/units/* 2>&1)" \
  && [ -z "$verify" ] || fail "systemd-analyze verify on the nightly export's units: $verify"

# The manual page's SEE ALSO names pages that exist: ours, or those of an
# installed Debian package.
page="$root/uploader/cli/brevalin-cli.1"
see_also="$(sed -n '/^\.SH SEE ALSO/,/^\.SH /p' "$page" | grep -oE '^\.BR [^ ]+ \([0-9][a-z]*\)' | sed 's/^\.BR //')"
[ -n "$see_also" ] || fail "the manual page's SEE ALSO names no page"
while read -r name section; do
  section="${section//[()]/}"
  path="/usr/share/man/man${section:0:1}/$name.$section.gz"
  [ -e "$scratch/root$path" ] || dpkg -S "$path" >/dev/null 2>&1 || fail "SEE ALSO names $name($section): no such page"
done <<<"$see_also"

# --help lists every option the manual page describes.
help="$("$cli" --help)"
for option in $(grep -oE '(^|[ "[])\\-(\\-[a-z][a-z-]*|[a-zA-Z]\b)' "$page" | grep -oE '\\-.*' | sed 's/\\//g' | sort -u); do
  grep -qE -- "(^|[^a-z-])$option([^a-z-]|\$)" <<<"$help" || fail "--help does not list $option"
done

mkdir "$scratch/reports"
cd "$scratch"  # the library's log lands here

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
