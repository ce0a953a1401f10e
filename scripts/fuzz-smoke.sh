#!/usr/bin/env bash
# Builds the fuzzing harnesses with clang and runs each one for a short fixed time on a copy of
# its committed seed corpus. FUZZ_SECONDS sets the time per harness (default 60); FUZZ_PRESET the
# build they come from (default "fuzz"; test.sh uses "sanitize", which builds them beside the
# sanitizer tests, so that CI compiles the instrumented library once).
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${FUZZ_SECONDS:-60}
preset=${FUZZ_PRESET:-fuzz}
build="build-$preset"

cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset"

for harness in "$build"/bin/*_fuzz; do
  [[ -x "$harness" ]] || continue
  name=$(basename "$harness")
  seeds="fuzz/corpus/${name%_fuzz}"
  work="$build/corpus/${name%_fuzz}"
  mkdir -p "$work"
  [[ -d "$seeds" ]] && cp -n "$seeds"/* "$work"/ 2>/dev/null || true
  echo "-- $name for ${seconds}s"
  QT_QPA_PLATFORM=offscreen "$harness" -max_total_time="$seconds" -rss_limit_mb=2048 \
    -artifact_prefix="$build/$name-" "$work" 2>&1 | tail -n 3
  test "${PIPESTATUS[0]}" -eq 0
done
