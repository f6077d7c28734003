#!/usr/bin/env bash
# Builds and runs the demo: a window on a display, or a PNG (demo.png) when headless.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
cmake -S . -B build -G Ninja -DV3D_TESTS=OFF >/dev/null
cmake --build build -j2 --target demo
./build/apps/demo "$@"
