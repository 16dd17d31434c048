#!/usr/bin/env bash
# Installs what kanvo needs, builds it and starts the program.
set -euo pipefail
cd "$(dirname "$0")"
scripts/setup.sh
cmake -S . -B build/release -G Ninja -Wno-dev -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build/release
if [ -x build/release/platform/kanvo ]; then
  exec build/release/platform/kanvo "$@"
fi
exec build/release/cli/kanvo-cli --help
