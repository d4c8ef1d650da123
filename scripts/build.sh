#!/usr/bin/env bash
# Configures and builds into ./build (incremental), showing the build's progress.
# Usage: scripts/build.sh [TARGET...]   (every target when none is named)
set -euo pipefail
cd "$(dirname "$0")/.."
# The benchmarks are configured too, so that they keep compiling; run.sh builds the program alone.
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DNB_BENCH=ON > /dev/null
if (($# > 0)); then
  cmake --build build -j"$(nproc)" --target "$@"
else
  cmake --build build -j"$(nproc)"
fi
