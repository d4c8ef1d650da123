#!/usr/bin/env bash
# Builds the link fuzzer with clang (libFuzzer, ASan and UBSan) into ./build-fuzz and runs it.
# Usage: scripts/fuzz.sh [SECONDS]   (default 60; the test command runs a short one)
# The seed corpus is made from the lines the tests feed the services; what the fuzzer finds
# interesting is kept in build-fuzz/corpus, so a later run goes on from there.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-60}"
if ! command -v clang++ > /dev/null; then
  echo "fuzz: clang++ is not installed; skipped"
  exit 0
fi
cmake -S . -B build-fuzz -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo -DNB_FUZZ=ON > /dev/null
cmake --build build-fuzz -j"$(nproc)" --target link_fuzzer > build-fuzz/build.log 2>&1 || { tail -30 build-fuzz/build.log; exit 1; }

seeds=build-fuzz/seeds
rm -rf "$seeds" && mkdir -p "$seeds" build-fuzz/corpus
python3 - "$seeds" <<'PY'
# One seed per test file and dialect: the protocol lines its tests receive, in order.
import pathlib, re, sys
seeds = pathlib.Path(sys.argv[1])
literal = re.compile(r'(?:Receive|In|SendLine)\(\s*"((?:[^"\\]|\\.)*)"')
for source in sorted(pathlib.Path("tests").rglob("*_test.cpp")):
    lines = [bytes(m, "utf-8").decode("unicode_escape").encode("latin-1", "replace")
             for m in literal.findall(source.read_text(errors="replace"))]
    if not lines:
        continue
    block = b"".join(line + b"\r\n" for line in lines)
    for dialect in (0, 1):
        (seeds / ("%s-%d" % (source.stem, dialect))).write_bytes(bytes([dialect]) + block)
PY
build-fuzz/link_fuzzer build-fuzz/corpus "$seeds" -max_total_time="$seconds" -max_len=8192 \
  -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix=build-fuzz/ 2>&1 | tail -15
