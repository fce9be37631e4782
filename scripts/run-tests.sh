#!/usr/bin/env bash
# Builds the editor with warnings as errors and runs every test, then builds it again with
# AddressSanitizer and UndefinedBehaviorSanitizer and runs every test once more.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
export QT_QPA_PLATFORM=offscreen

for preset in ci asan; do
    echo "== $preset: configure and build"
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset"
    echo "== $preset: test"
    ctest --preset "$preset" --parallel 2
done
