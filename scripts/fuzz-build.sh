#!/usr/bin/env bash
# Builds the libFuzzer targets (tests/fuzz/*.cpp) with clang, AddressSanitizer and
# UndefinedBehaviorSanitizer into build/fuzz. Only builds (incrementally); run a target with
#   build/fuzz/fuzz_<name> -max_total_time=600 -jobs=1 tests/fuzz/corpus/<format>
set -euo pipefail
cd "$(dirname "$0")/.."

if ! command -v clang++ >/dev/null; then
  echo "fuzz-build: clang++ not found, skipping" >&2
  exit 0
fi

flags="-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer -g -O1"
cmake -S . -B build/fuzz -G Ninja -Wno-dev \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_CXX_COMPILER=clang++ \
  -DCMAKE_CXX_FLAGS="$flags" \
  -DKANVO_BENCH=OFF -DKANVO_QT=OFF >/dev/null
cmake --build build/fuzz --target kanvo_engine

for src in tests/fuzz/*.cpp; do
  [ -e "$src" ] || continue
  name=$(basename "$src" .cpp)
  out=build/fuzz/fuzz_$name
  if [ ! -x "$out" ] || [ "$src" -nt "$out" ] || [ build/fuzz/libkanvo_engine.a -nt "$out" ]; then
    clang++ -std=c++20 $flags -fsanitize=fuzzer -I. "$src" build/fuzz/libkanvo_engine.a \
      $(pkg-config --libs zlib liblz4 libpng) -o "$out"
  fi
done
echo "fuzz-build: targets in build/fuzz"
