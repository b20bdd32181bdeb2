#!/usr/bin/env bash
# Speed and memory figures (not assertions): the command logic natively, with Google Benchmark.
# Usage: scripts/bench.sh BUILD_DIR
set -euo pipefail
build=${1:-build}
root=$(cd "$(dirname "$0")/.." && pwd)
cmake -S "$root/bench" -B "$build/bench" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build/bench" -j2 >/dev/null
"$build/bench/logic_bench" --benchmark_counters_tabular=true
