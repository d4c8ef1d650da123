#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh --tests
scripts/build.sh
ctest --test-dir build --output-on-failure -j2
# A short run of the link fuzzer under ASan and UBSan (a longer one: scripts/fuzz.sh 3600).
scripts/fuzz.sh 30
