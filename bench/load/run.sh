#!/usr/bin/env bash
# Load benchmark of the services against a private ngIRCd on loopback (see README.md, "Load
# benchmark"). Builds the Release binary into build-release/ unless NB_BINARY names one, and
# passes its arguments to load_bench.py (--help lists them).
set -euo pipefail
cd "$(dirname "$0")/../.."

if [[ -z "${NB_BINARY:-}" ]]; then
  cmake -S . -B build-release -DCMAKE_BUILD_TYPE=Release > /dev/null
  cmake --build build-release -j2 --target nimbral2
  export NB_BINARY="$PWD/build-release/nimbral2"
fi

# Ten thousand clients and the server's ten thousand connections need more open files than a
# shell's usual 1024.
ulimit -n "$(ulimit -Hn)" 2>/dev/null || echo "could not raise the open-file limit (ulimit -n is $(ulimit -n))" >&2
exec /usr/bin/python3 bench/load/load_bench.py "$@"
