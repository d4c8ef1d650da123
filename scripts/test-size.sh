#!/usr/bin/env bash
# Prints the lines of src/ and of tests/ (C++, Python and test data; help texts and
# benchmarks are not counted) and their ratio. The rule: tests at most a third of src/.
set -euo pipefail
cd "$(dirname "$0")/.."

count_lines() {  # folder, then find's name tests
  local folder=$1
  shift
  find "$folder" -type f "$@" -not -path '*/__pycache__/*' -print0 | xargs -0 -r cat | wc -l
}

src=$(count_lines src)
tests_cpp=$(count_lines tests \( -name '*.cpp' -o -name '*.h' \))
tests_py=$(count_lines tests -name '*.py')
tests_all=$(count_lines tests)
tests_other=$((tests_all - tests_cpp - tests_py))

echo "src/    ${src} lines"
echo "tests/  ${tests_all} lines (C++ ${tests_cpp}, Python ${tests_py}, other ${tests_other})"
awk -v t="$tests_all" -v s="$src" 'BEGIN {
  printf "ratio   %.2f (at most 0.33)\n", t / s
  exit (t * 3 > s) ? 1 : 0
}'
