#!/usr/bin/env bash
# Builds the project and runs every test: a normal build, then one under address and
# undefined-behaviour sanitizers, which also replays the fuzz corpora.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
jobs=${JOBS:-2}

cmake -S . -B build -G Ninja -DV3D_TESTS=ON >/dev/null
cmake --build build -j"$jobs"
(cd build && ctest --output-on-failure -j"$jobs" --timeout 300)

if [ "${V3D_SKIP_SANITIZE:-0}" != 1 ]; then
  export ASAN_OPTIONS=detect_leaks=1:abort_on_error=0
  export LSAN_OPTIONS=print_suppressions=0  # the GL and font libraries' suppressions are built in
  export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
  CC=clang CXX=clang++ cmake -S . -B build-asan -G Ninja -DV3D_TESTS=ON -DV3D_SANITIZE=ON -DV3D_FUZZ=ON \
    -DCMAKE_BUILD_TYPE=Debug >/dev/null
  cmake --build build-asan -j"$jobs"
  (cd build-asan && ctest --output-on-failure -j"$jobs" --timeout 600)
fi
