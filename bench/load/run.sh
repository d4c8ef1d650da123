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

# What a quit's system calls alone cost, measured beside the services' quits (bigdb).
if [[ -z "${NB_QUIT_FLOOR:-}" ]]; then
  mkdir -p build-release
  if [[ ! build-release/quit_floor -nt bench/load/quit_floor.cpp ]]; then
    "${CXX:-c++}" -O2 -std=c++20 -o build-release/quit_floor bench/load/quit_floor.cpp
  fi
  export NB_QUIT_FLOOR="$PWD/build-release/quit_floor"
fi

# Ten thousand clients and the server's ten thousand connections need more open files than a
# shell's usual 1024.
ulimit -n "$(ulimit -Hn)" 2>/dev/null || echo "could not raise the open-file limit (ulimit -n is $(ulimit -n))" >&2
exec /usr/bin/python3 bench/load/load_bench.py "$@"
