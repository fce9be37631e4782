#!/usr/bin/env bash
# Builds the optimised editor and prints the benchmark table. Extra arguments go to Google
# Benchmark (for example --benchmark_filter=largest).
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
cmake --preset bench >/dev/null
cmake --build --preset bench
QT_QPA_PLATFORM=offscreen build/bench/bench/editor_bench --benchmark_min_time=0.5 "$@"
QT_QPA_PLATFORM=offscreen build/bench/bench/pack_bench --benchmark_min_time=0.5 "$@"
