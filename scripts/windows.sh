#!/usr/bin/env bash
# The library on Windows: cross builds QUILLSAN.DLL for 32-bit and 64-bit
# Windows with mingw-w64, checks the 32-bit export table and calling
# convention, and runs the Windows tests under wine64 — the export tests
# against the virtual DLL, and a Windows caller of the hardware DLL over a COM
# port that leads to the virtual instrument on a pseudo-terminal, and
# brevalin.exe's window under Xvfb and brevalin-cli.exe against the Linux
# brevalin-cli, both 32-bit where wine runs 32-bit programs, else 64-bit; then
# makes the installer and tests it under wine (packaging/windows/installer_test.sh).
# Needs the Linux build (the virtual instrument, brevalin-cli) in build/.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
b32="$root/build-win32"
b64="$root/build-win64"
linux_build="$root/build"
"$root/scripts/install-deps.sh"
# One virtual display for the whole run: wine's desktop process keeps the
# display it was started on, so programs with windows must all find the same.
if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$@"
fi

configure() {  # folder toolchain [options]
  local folder="$1" toolchain="$2"
  shift 2
  cmake -S "$root" -B "$folder" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/$toolchain" -DQUILLSAN_BUILD_BENCH=OFF "$@" >/dev/null
}

# The wine that runs 32-bit programs, when this machine has one that does.
wine32() {
  local wine=/usr/lib/wine/wine
  [ -x "$wine" ] && WINEPREFIX="$b32/wineprefix" WINEDEBUG=-all \
    "$wine" "$b32/virtual/brevalin-cli.exe" --help >/dev/null 2>&1 && echo "$wine"
  return 0
}

stop_wine() {  # the wine servers of both prefixes, so that nothing outlives the run
  local prefix
  for prefix in "$b32/wineprefix" "$b64/wineprefix"; do
    [ -d "$prefix" ] && WINEPREFIX="$prefix" "$root/scripts/wine-stop.sh" 2>/dev/null || true
  done
}

# brevalin.exe's window and brevalin-cli.exe against the Linux programs.
program_tests() {  # wine build_folder
  local wine="$1" folder="$2"
  # The views' table of cases against the Win32 window.
  "$wine" "$folder/uploader/win32_view_check.exe"
  "$root/uploader/tests/win32_window_test.sh" "$wine" "$folder/virtual/brevalin.exe" \
    "$folder/virtual/QUILLSAN.DLL" "$linux_build/virtual/brevalin-cli" "$folder/win32-window-test"
  "$root/uploader/tests/win_cli_test.sh" "$wine" "$folder/virtual/brevalin-cli.exe" \
    "$folder/virtual/QUILLSAN.DLL" "$folder/hardware/QUILLSAN.DLL" \
    "$linux_build/virtual/brevalin-cli" "$folder/win-cli-test"
}
trap stop_wine EXIT

echo "== 32-bit QUILLSAN.DLL =="
configure "$b32" mingw-i686.cmake -DQUILLSAN_BUILD_TESTS=OFF \
  -DBREVALIN_X64_DLL="$b64/hardware/QUILLSAN.DLL"
cmake --build "$b32" --target quillsan_hardware quillsan_virtual brevalin brevalin-cli \
  win32_view_check
"$root/linklib/tests/windows/check_export_table.sh" "$b32/hardware/QUILLSAN.DLL" \
  "$root/linklib/quillsan.def"
"$root/linklib/tests/windows/check_export_table.sh" "$b32/virtual/QUILLSAN.DLL" \
  "$root/linklib/quillsan.def"
i686-w64-mingw32-dlltool -d "$root/linklib/tests/windows/stdcall_exports.def" -D QUILLSAN.DLL \
  -k -l "$b32/libstdcall_check.a"
i686-w64-mingw32-gcc -std=c11 -Wall -Werror -I"$root/linklib/include" \
  "$root/linklib/tests/windows/stdcall_caller.c" "$b32/libstdcall_check.a" \
  -o "$b32/stdcall_caller.exe"
echo "ok   every export's stdcall argument bytes match the export table"

echo "== 64-bit build and tests under wine64 =="
configure "$b64" mingw-x86_64.cmake
cmake --build "$b64" --target linklib_dll_tests win_serial_check win_usb_check win_binding_check \
  linklib_win32_tests win32_view_check \
  quillsan_hardware quillsan_virtual brevalin brevalin-cli

wine_32bit="$(wine32)"
if [ -n "$wine_32bit" ]; then
  echo "== 32-bit programs under wine =="
  WINEPREFIX="$b32/wineprefix" WINEDEBUG=-all program_tests "$wine_32bit" "$b32"
fi

export WINEPREFIX="$b64/wineprefix" WINEDEBUG=-all
wine=/usr/lib/wine/wine64
[ -x "$wine" ] || wine="$(command -v wine64 || command -v wine)"
"$wine" wineboot --init >/dev/null 2>&1 || true

(cd "$b64/lent-virtual" && "$wine" linklib_dll_tests.exe --gtest_brief=1)
(cd "$b64/virtual" && "$wine" win_binding_check.exe)
if [ -z "$wine_32bit" ]; then
  echo "(no wine for 32-bit programs here: brevalin.exe and brevalin-cli.exe are tested 64-bit)"
  program_tests "$wine" "$b64"
fi
(cd "$b64/hardware" && "$wine" linklib_win32_tests.exe --gtest_brief=1)
(cd "$b64/hardware" && "$wine" win_usb_check.exe)

workdir="$(mktemp -d)"
"$linux_build/instrument/virtual-instrument" > "$workdir/instrument.out" &
server=$!
trap 'kill $server 2>/dev/null || true; wait $server 2>/dev/null || true; stop_wine' EXIT
pty=""
for _ in $(seq 50); do
  pty="$(sed -n 's|.* on \(/dev/pts/[0-9]*\).*|\1|p' "$workdir/instrument.out")"
  [ -n "$pty" ] && break
  sleep 0.1
done
[ -n "$pty" ] || { echo "the virtual instrument did not start"; exit 1; }
com=7
ln -sfn "$pty" "$WINEPREFIX/dosdevices/com$com"
cp "$b64/hardware/QUILLSAN.DLL" "$b64/hardware/win_serial_check.exe" "$workdir/"
(cd "$workdir" && "$wine" win_serial_check.exe "$com")
"$root/linklib/tests/windows/check_serial_log.sh" "$workdir/REMOTERR.LOG" "$com"

echo "== the installer =="
version="$(sed -n 's/^project(.* VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")"
cmake --build "$b32" --target installer
if [ -n "$wine_32bit" ]; then
  "$root/packaging/windows/installer_test.sh" "$wine_32bit" "$b32/brevalin-setup-$version.exe" "$b32" \
    "$b64/hardware/QUILLSAN.DLL" "$linux_build/virtual/brevalin-cli" "$b32/installer-test"
else
  # Where wine runs no 32-bit programs the same script is tested as the
  # 64-bit build's installer.
  echo "(no wine for 32-bit programs here: the installer is tested as the 64-bit build's)"
  cmake --build "$b64" --target installer
  "$root/packaging/windows/installer_test.sh" "$wine" "$b64/brevalin-setup-$version-x64.exe" "$b64" \
    "$b64/hardware/QUILLSAN.DLL" "$linux_build/virtual/brevalin-cli" "$b64/installer-test"
fi
