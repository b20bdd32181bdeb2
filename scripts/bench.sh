#!/usr/bin/env bash
# Speed, size and memory figures (not assertions): the command logic natively, with Google Benchmark
# (bench/native/); then the real Duvisto.dll under Wine (bench/wine/) beside its floors: DLLs built
# the same way that only hand back answers as long as the plug-in's (or nothing), and a bare window
# hosting the same web-browser control (start-up, calls, the browser window, the files, memory over
# a million calls, nested opens), printed and written to BUILD/bench/plugin_bench.json.
# Usage: scripts/bench.sh BUILD_DIR
set -euo pipefail
build=${1:-build}
root=$(cd "$(dirname "$0")/.." && pwd)
# The native tree of the bench alone: the logic library optimised, without the tests' sanitizers.
native="$build/bench/native"
cmake -S "$root" -B "$native" -DCMAKE_BUILD_TYPE=Release -DDUVISTO_NATIVE_BENCH=ON >/dev/null
cmake --build "$native" --target logic_bench -j2 >/dev/null
"$native/bin/logic_bench" --benchmark_counters_tabular=true

# The Windows tree: configured once, then only the benchmark program and the DLLs it loads are built.
win32="$build/win32"
log="$build/bench-win32-build.log"
mkdir -p "$build"
if [ ! -f "$win32/CMakeCache.txt" ]; then
  cmake -S "$root" -B "$win32" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake" \
    -DCMAKE_BUILD_TYPE=Release >"$log" 2>&1 || { cat "$log" >&2; exit 1; }
fi
cmake --build "$win32" --target plugin_bench deliverables -j2 >"$log" 2>&1 || { cat "$log" >&2; exit 1; }
echo
json="$(realpath -m "$build/bench/plugin_bench.json")"
mkdir -p "$(dirname "$json")"
# Wine sees the Unix root as drive Z:.
"$root/scripts/with-wine.sh" "$win32" wine "$win32/bin/plugin_bench.exe" --json "Z:$json"
echo "The same figures as JSON: $json"

# What each object and library member brings into Duvisto.dll, beside the floor (the link maps).
echo
echo "Duvisto.dll beside BrowseFloor.dll, by object and library member (bytes placed by the linker):"
python3 "$root/scripts/dll_size_breakdown.py" "$win32/deliverables/plugin/Duvisto.map" \
  "$win32/deliverables/bench/wine/floor/BrowseFloor.map" --top 15
