#!/usr/bin/env bash
# Prints the lines of the test suite against the lines of the code it tests: the .cpp and .h
# files under tests/ (fuzz corpora are data) against those of the code folders (benchmarks
# and generated files are not code under test and are not counted).
set -euo pipefail
cd "$(dirname "$0")/.."

count() { find "$@" \( -name '*.cpp' -o -name '*.h' \) -type f -print0 2>/dev/null | xargs -0r cat | wc -l; }

code_dirs=()
for d in raster strings document view tools formats app platform cli; do
  [ -d "$d" ] && code_dirs+=("$d")
done
code=$(count "${code_dirs[@]}")
tests=$(count tests)
awk -v t="$tests" -v c="$code" 'BEGIN { printf "test lines %d, code lines %d, ratio %.2f\n", t, c, (c ? t / c : 0) }'
