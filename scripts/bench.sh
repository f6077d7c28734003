#!/usr/bin/env bash
# Builds the benchmark program (Release) and runs it: a table on standard output and the same figures
# as JSON in bench-results.json. Arguments go to the program (scripts/bench.sh --help lists them).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
jobs=${JOBS:-2}
build=${BENCH_BUILD_DIR:-build-bench}

cmake -S . -B "$build" -G Ninja -DV3D_BENCH=ON -DV3D_TESTS=OFF -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j"$jobs" --target v3d_bench
exec "$build/bench/v3d_bench" --json "${BENCH_JSON:-bench-results.json}" "$@"
