#!/usr/bin/env bash
# Runs every test: the Release build, then the same suite under AddressSanitizer and
# UndefinedBehaviorSanitizer. Installs what is missing first; later runs are incremental.
set -euo pipefail
cd "$(dirname "$0")"
scripts/setup.sh

build() {  # build DIR [cmake options...]
  local dir=$1; shift
  cmake -S . -B "$dir" -G Ninja -Wno-dev "$@" >/dev/null
  cmake --build "$dir"
}

build build/release -DCMAKE_BUILD_TYPE=Release
ctest --test-dir build/release --output-on-failure -j "$(nproc)"

build build/asan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKANVO_SANITIZE=ON -DKANVO_BENCH=OFF
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:strict_string_checks=1 \
UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --test-dir build/asan --output-on-failure -j "$(nproc)"

[ -x scripts/fuzz-build.sh ] && scripts/fuzz-build.sh
scripts/test-ratio.sh
echo "test.sh: all suites passed"
