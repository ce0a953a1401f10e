#!/usr/bin/env bash
# Builds the fuzzing harnesses with clang and runs each one for a short fixed time on a copy of
# its committed seed corpus. FUZZ_SECONDS sets the time per harness (default 60).
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${FUZZ_SECONDS:-60}

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz

for harness in build-fuzz/bin/*_fuzz; do
  [[ -x "$harness" ]] || continue
  name=$(basename "$harness")
  seeds="fuzz/corpus/${name%_fuzz}"
  work="build-fuzz/corpus/${name%_fuzz}"
  mkdir -p "$work"
  [[ -d "$seeds" ]] && cp -n "$seeds"/* "$work"/ 2>/dev/null || true
  echo "-- $name for ${seconds}s"
  QT_QPA_PLATFORM=offscreen "$harness" -max_total_time="$seconds" -rss_limit_mb=2048 \
    -artifact_prefix="build-fuzz/$name-" "$work" 2>&1 | tail -n 3
  test "${PIPESTATUS[0]}" -eq 0
done
