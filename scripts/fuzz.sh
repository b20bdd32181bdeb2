#!/usr/bin/env bash
# Runs the command logic's libFuzzer target (tests/native/fuzz_logic.cpp, built by the native
# tree with ASan and UBSan) for a bounded time. Usage: scripts/fuzz.sh [NATIVE_BUILD_DIR] [SECONDS]
# (defaults: build/native, 20).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
native=${1:-$root/build/native}
seconds=${2:-20}
cmake --build "$native" --target fuzz_logic >/dev/null
out="$native/fuzz"
mkdir -p "$out/corpus"

# Every run starts from the seeds kept in the repository and from what earlier runs in OUT_DIR
# found; new finds go to NATIVE_BUILD_DIR/fuzz only. The fuzzer's running commentary goes to a log; a failure
# prints it whole, and the input that failed is left there as crash-* (or timeout-*).
log="$out/fuzz.log"
if "$native/bin/fuzz_logic" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
    -artifact_prefix="$out/" "$out/corpus" "$root/tests/native/fuzz_seeds" >"$log" 2>&1; then
  grep -E '^stat::number_of_executed_units|^Done' "$log" || true
else
  cat "$log"
  exit 1
fi
