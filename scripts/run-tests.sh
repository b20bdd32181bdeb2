#!/usr/bin/env bash
# Every test: the native logic tests (with sanitizers) and its fuzzer, then everything that
# runs the real binaries under Wine. Exits non-zero on any failure.
set -uo pipefail
build=${1:-build}
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

status=0
echo "== native tests"
ctest --test-dir "$build/native" --output-on-failure || status=1

if [ -x scripts/fuzz.sh ]; then
  echo "== fuzzing the command logic (bounded)"
  scripts/fuzz.sh "$build/native" 20 || status=1
fi

echo "== tests under Wine"
scripts/with-wine.sh "$build/win32" ctest --test-dir "$build/win32" --output-on-failure || status=1

exit $status
