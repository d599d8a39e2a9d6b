#!/usr/bin/env bash
# Installs the Debian 12 packages the build and the tests need, if missing.
set -euo pipefail

packages=(cmake ninja-build g++ pkg-config python3 libgtest-dev libgmock-dev googletest
          libbenchmark-dev clang libclang-rt-14-dev clang-format clang-tidy valgrind
          python3-pytest python3-setuptools python3-wheel python3-pip python3-venv mypy
          dpkg-dev lintian systemd man-db
          mingw-w64 wine64 wine32:i386 nsis
          qt6-base-dev libgl-dev libxcb1-dev xvfb xauth x11-apps x11-utils xdotool imagemagick fonts-dejavu-core fonts-liberation2)

missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" \
    || missing+=("$package")
done
if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

sudo=""
if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
# wine32 runs the 32-bit Windows programs, the build that is installed.
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  $sudo dpkg --add-architecture i386
fi
echo "Installing: ${missing[*]}"
$sudo apt-get update
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends "${missing[@]}"
