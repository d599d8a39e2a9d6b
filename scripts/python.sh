#!/usr/bin/env bash
# The quillsan Python package as a user installs it: pip installs it offline
# into a fresh virtual environment (Debian's setuptools and wheel, no build
# isolation), mypy checks its annotations, and its tests and examples run
# against the built libraries in build/ (or $1). ctest runs the same tests
# against the package staged in the build folder.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$(cd "${1:-$root/build}" && pwd)"
python=/usr/bin/python3

scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT
echo "== quillsan for Python: pip install, offline =="
"$python" -m venv --system-site-packages "$scratch/venv"
"$scratch/venv/bin/pip" install --quiet --no-build-isolation --no-index "$root/python"
site="$("$scratch/venv/bin/python" -c 'import quillsan, os; print(os.path.dirname(os.path.dirname(quillsan.__file__)))')"
[ -f "$site/quillsan/libquillsan-prompt.so" ] || { echo "python.sh: pip left out the prompt helper"; exit 1; }
[ -f "$site/quillsan/py.typed" ] || { echo "python.sh: pip left out py.typed"; exit 1; }

echo "== mypy --strict =="
(cd "$root/python" && MYPYPATH=. mypy --strict --python-version 3.9 --cache-dir "$scratch/mypy" \
  quillsan examples/*.py)
# The Windows code path too (WinDLL, no prompt helper), as a type checker sees it there.
(cd "$root/python" && mypy --strict --python-version 3.9 --platform win32 \
  --cache-dir "$scratch/mypy-win32" quillsan)

echo "== pytest against the installed package =="
mkdir "$scratch/run"
cd "$scratch/run"  # the library's log lands here
QUILLSAN_TEST_VIRTUAL_DLL="$build/virtual/QUILLSAN.DLL" \
QUILLSAN_TEST_LENT_DLL="$build/lent-virtual/QUILLSAN.DLL" \
QUILLSAN_TEST_LENT_HOST="$build/python/libquillsan_python_lent_host.so" \
QUILLSAN_TEST_CLI="$build/virtual/brevalin-cli" \
  "$scratch/venv/bin/python" -B -m pytest -q -p no:cacheprovider "$root/python/tests"
