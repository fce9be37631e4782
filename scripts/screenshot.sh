#!/usr/bin/env bash
# Makes docs/screenshot.png, the editor holding a small level, and docs/overview.png, the
# pack overview of a pack built from the same clicks, drawn in real windows under Xvfb.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh xvfb xauth
cmake --preset default >/dev/null
cmake --build --preset default --target kivo-editor-screenshot

start=$(mktemp -d)
trap 'rm -rf "$start"' EXIT
mkdir -p "$start/kivo" docs
cp data/kivo/default.kvo "$start/kivo/"
out=$PWD/docs/screenshot.png
tool=$PWD/build/default/app/kivo-editor-screenshot
(cd "$start" && QT_QPA_PLATFORM=xcb xvfb-run -a -s "-screen 0 1024x768x24" "$tool" "$out")
echo "wrote $out"
# A fresh start directory: the overview fills the pack the editor makes at its first start.
rm -rf "$start/kivo"/*/
overview=$PWD/docs/overview.png
(cd "$start" && QT_QPA_PLATFORM=xcb xvfb-run -a -s "-screen 0 1280x1024x24" "$tool" --overview "$overview")
echo "wrote $overview"
