#!/usr/bin/env bash
# Builds the libFuzzer targets (tests/fuzz/*.cpp) with clang, AddressSanitizer and
# UndefinedBehaviorSanitizer into build/fuzz/fuzz_<name>. Only builds, and only targets whose
# sources or the engine headers changed. Each target names the engine sources it needs in
# lines of their own:   // fuzz-sources: formats/JpegDecoder.cpp formats/JpegIdct.cpp ...
# Run a target with
#   build/fuzz/fuzz_<name> -max_total_time=600 -jobs=1 tests/fuzz/corpus/<format>
set -euo pipefail
cd "$(dirname "$0")/.."

if ! command -v clang++ >/dev/null; then
  echo "fuzz-build: clang++ not found, skipping" >&2
  exit 0
fi

flags=(-std=c++20 -O1 -g -fno-omit-frame-pointer -Wall -Wextra
       -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined -I.)
mkdir -p build/fuzz
for src in tests/fuzz/*.cpp; do
  [ -e "$src" ] || continue
  name=$(basename "$src" .cpp)
  out=build/fuzz/fuzz_$name
  patterns=$(sed -n 's|^// fuzz-sources: *||p' "$src" | tr '\n' ' ')
  # shellcheck disable=SC2086  (the patterns are globs)
  sources=$(ls $patterns 2>/dev/null || true)
  if [ -x "$out" ] && [ -z "$(find "$src" $sources formats raster -newer "$out" \( -name '*.cpp' -o -name '*.h' \) 2>/dev/null | head -1)" ]; then
    continue
  fi
  echo "fuzz-build: $out"
  # shellcheck disable=SC2086
  clang++ "${flags[@]}" "$src" $sources -o "$out.tmp" $(pkg-config --libs zlib liblz4)
  mv "$out.tmp" "$out"
done
echo "fuzz-build: targets in build/fuzz"
