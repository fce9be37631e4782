#!/usr/bin/env bash
# Times kivo-level check on a data folder of 100 packs whose 101 slots each hold a covered
# canvas (10,101 level files): three runs on every core, and three held to one core.
# Extra arguments go to hyperfine (for example --export-markdown out.md).
set -euo pipefail
cd "$(dirname "$0")/.."

cmake --preset bench >/dev/null
cmake --build --preset bench --target check_data kivo-level
data=$(mktemp -d /tmp/kivo-check-XXXXXX)
trap 'rm -rf "$data"' EXIT
build/bench/bench/check_data "$data"
program=build/bench/cli/kivo-level
echo "$(nproc) cores; load average $(cut -d' ' -f1-3 /proc/loadavg)"
hyperfine --runs 3 --warmup 1 --ignore-failure "$@" \
  -n "all cores" "$program check $data" \
  -n "one core" "taskset -c 0 $program check $data"
