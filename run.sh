#!/usr/bin/env bash
# Builds the window (installing only what that needs) and starts it. The tests, benchmarks and
# packaging files are left to ./test.sh, which installs their tools; a build folder that
# test.sh configured already is used as it is.
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh
if [[ ! -f build/CMakeCache.txt ]]; then
  cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release -DVELMORA_BUILD_TESTS=OFF \
    -DVELMORA_BUILD_BENCH=OFF -DVELMORA_PACKAGING=OFF >/dev/null
fi
cmake --build build --target velmora
if [[ -z "${DISPLAY:-}" && -z "${WAYLAND_DISPLAY:-}" ]]; then
  echo "velmora: no display (neither DISPLAY nor WAYLAND_DISPLAY is set); built build/bin/velmora but cannot show its window here." >&2
  exit 1
fi
exec build/bin/velmora "$@"
