#!/usr/bin/env bash
# Builds Velmora (installing what is missing) and starts it.
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build --target velmora
if [[ -z "${DISPLAY:-}" && -z "${WAYLAND_DISPLAY:-}" ]]; then
  echo "velmora: no display (neither DISPLAY nor WAYLAND_DISPLAY is set); built build/bin/velmora but cannot show its window here." >&2
  exit 1
fi
exec build/bin/velmora "$@"
