#!/usr/bin/env bash
# Builds the command logic's libFuzzer target with clang (ASan + UBSan) and runs it for a
# bounded time. Usage: scripts/fuzz.sh [OUT_DIR] [SECONDS]   (defaults: build/fuzz, 20)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=${1:-$root/build/fuzz}
seconds=${2:-20}
mkdir -p "$out/corpus"

clang++ -std=c++17 -g -O1 -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all \
  -I"$root/plugin/logic" "$root"/plugin/logic/*.cpp "$root/tests/native/fuzz_logic.cpp" \
  -o "$out/fuzz_logic"

# Every run starts from the seeds kept in the repository and from what earlier runs in OUT_DIR
# found; new finds go to OUT_DIR only. The fuzzer's running commentary goes to a log; a failure
# prints it whole, and the input that failed is left in OUT_DIR as crash-* (or timeout-*).
log="$out/fuzz.log"
if "$out/fuzz_logic" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
    -artifact_prefix="$out/" "$out/corpus" "$root/tests/native/fuzz_seeds" >"$log" 2>&1; then
  grep -E '^stat::number_of_executed_units|^Done' "$log" || true
else
  cat "$log"
  exit 1
fi
