#!/usr/bin/env bash
# Installs what is missing, builds the editor (and only what it needs: no tests, no
# benchmarks) and starts it in run/, a start directory whose data folder holds the template
# level kivo/default.kvo.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
cmake --preset default >/dev/null
cmake --build --preset default --target kivo-editor

mkdir -p run/kivo
[ -f run/kivo/default.kvo ] || cp data/kivo/default.kvo run/kivo/default.kvo

editor=$PWD/build/default/app/kivo-editor
if [ ! -x "$editor" ]; then
    echo "The editor was not built: $editor is missing." >&2
    exit 1
fi
cd run
exec "$editor"
