#!/usr/bin/env bash
# Installs what is missing, builds the default preset and runs the line terminal: the screen
# examples/line-terminal.ui, made in Qt Designer, run by `k7 terminal` against the simulated plant,
# started on a free 127.0.0.1 port (--plant). Arguments go to `k7 terminal` (--kiosk, --seconds N,
# --out DIR, --dump FILE, --journal FILE). Without a display it renders headless for a few seconds
# and prints the paths of the screenshots it wrote.
set -euo pipefail
cd "$(dirname "$0")"
./scripts/install-deps.sh
cmake --preset default
cmake --build --preset default
exec build/default/apps/k7/k7 terminal examples/line-terminal.ui --plant "$@"
