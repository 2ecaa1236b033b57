#!/usr/bin/env bash
# Installs what is missing, builds the default preset and runs the demo: the simulated plant on a
# free 127.0.0.1 port and a terminal screen of the controls wired to it. Arguments go to `k7 demo`
# (--seconds N, --out DIR, --interval MS). Without a display it renders headless for a few seconds
# and prints the paths of the screenshots it wrote.
set -euo pipefail
cd "$(dirname "$0")"
./scripts/install-deps.sh
cmake --preset default
cmake --build --preset default
exec build/default/apps/k7/k7 demo "$@"
