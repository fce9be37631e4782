#!/usr/bin/env bash
# Builds the optimised editor, runs the benchmarks and prints, after their own output, the
# table of what a designer waits for beside its goal and the ratio to it. Extra arguments go
# to Google Benchmark (for example --benchmark_filter=largest; rows not run show "-").
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
cmake --preset bench >/dev/null
cmake --build --preset bench
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
export QT_QPA_PLATFORM=offscreen
for bench in editor_bench pack_bench window_bench preview_bench revision_bench; do
    "build/bench/bench/$bench" --benchmark_min_time=0.5 \
        --benchmark_out="$out/$bench.json" --benchmark_out_format=json "$@"
done
python3 - "$out" <<'PY'
import json, sys, pathlib

runs = {}
for path in pathlib.Path(sys.argv[1]).glob("*.json"):
    for b in json.loads(path.read_text()).get("benchmarks", []):
        runs[b["name"]] = b

def find(prefix):
    return next((b for name, b in runs.items() if name.startswith(prefix)), None)

def cpu(prefix):
    b = find(prefix)
    return b and b["cpu_time"]

def real(prefix):
    b = find(prefix)
    return b and b["real_time"]

def counter(prefix, name):
    b = find(prefix)
    return b and b.get(name)

# what, measured in ms (None when not run), goal in ms, how the goal reads
rows = [
    ("recording one placement as an undo step (largest, CPU)",
     cpu("Undo step of a placement/largest"), 0.5, "<= 0.5 ms"),
    ("  the same from two whole copies, as before (CPU)",
     cpu("Undo step of a placement, two copies/largest"), None, ""),
    ("placement + status line (largest, CPU)",
     cpu("PlacePolygon+status/largest"), 0.40, "keep (0.35-0.40 ms)"),
    ("offscreen canvas repaint (largest, CPU)", cpu("Canvas repaint/largest"), 3.0, "<= 3 ms"),
    ("LoadLevel (largest, CPU)", cpu("LoadLevel/largest"), 1.0, "<= 1 ms"),
    ("score key with the unsaved check (largest, CPU)",
     cpu("Score key, unsaved check/largest"), 1.0, "<= 1 ms"),
    ("kivo-level check, 100 packs of covered canvases (clock)",
     real("kivo-level check of 100 packs"), 800.0, "<= 0.8 s"),
    ("click to painted frame, largest (median, clock)",
     counter("Click to painted frame/largest", "median_ms"), 8.0, "<= 8 ms"),
    ("click to painted frame, covered canvas (median, clock)",
     counter("Click to painted frame/canvas", "median_ms"), 2.0, "<= 2 ms"),
    ("click to painted frame at 400 %, largest (median, clock)",
     counter("Click to painted frame at 400 %/largest", "median_ms"), 4.0, "<= 4 ms"),
    ("click to painted frame at fit, largest (median, clock)",
     counter("Click to painted frame at fit/largest", "median_ms"), 4.0, "<= 4 ms"),
    ("zoom step to painted frame, largest (median, clock)",
     counter("Zoom step to painted frame/largest", "median_ms"), 8.0, "<= 8 ms"),
    ("pan step to painted frame, largest (median, clock)",
     counter("Pan step to painted frame/largest", "median_ms"), 8.0, "<= 8 ms"),
    ("pointer move with the placement preview, whole repaint (largest, CPU)",
     cpu("Pointer move and whole repaint/largest"), 2.0, "<= 2 ms"),
    ("overview of largest levels: longest window task",
     counter("Open the overview/largest", "longest_task_ms"), 16.0, "< 16 ms"),
    ("overview of largest levels: first screen of tiles",
     counter("Open the overview/largest", "first_screen_ms"), 150.0, "<= 150 ms"),
    ("overview of largest levels: all 101 tiles",
     counter("Open the overview/largest", "all_101_ms"), 1500.0, "<= 1.5 s"),
    ("kivo-level dump (largest, CPU)", cpu("kivo-level dump/largest"), 20.0, "<= 20 ms"),
    ("kivo-level build (largest, CPU)", cpu("kivo-level build/largest"), 20.0, "<= 20 ms"),
    ("kivo-level diff (largest, CPU)", cpu("kivo-level diff/largest"), 20.0, "<= 20 ms"),
    ("kivo-level merge (largest, CPU)", cpu("kivo-level merge/largest"), 20.0, "<= 20 ms"),
    ("kivo-level diff of two packs of covered canvases (clock)",
     real("kivo-level diff of two packs"), 500.0, "<= 0.5 s"),
]

print()
print(f"{'what':58} {'measured':>11}  {'goal':20} {'ratio':>6}  verdict")
for what, value, goal, reads in rows:
    shown = "-" if value is None else f"{value:.3f} ms"
    ratio = "" if value is None or goal is None else f"{value / goal:.2f}"
    verdict = "" if not ratio else ("meets" if value <= goal else "MISSES")
    print(f"{what:58} {shown:>11}  {reads:20} {ratio:>6}  {verdict}")
PY
