#!/usr/bin/env bash
# Builds the fuzzing harnesses with clang and runs each one for a short fixed time on a copy of
# its committed seed corpus, two at a time (the machine has two cores). FUZZ_SECONDS sets the
# time per harness (default 50); FUZZ_PRESET the build they come from (default "fuzz"; test.sh
# uses "sanitize", which builds them beside the sanitizer tests, so that CI compiles the
# instrumented library once). Each harness's last lines (executions, exec/s, coverage) are
# printed when it ends; the script fails if any harness found something.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${FUZZ_SECONDS:-50}
preset=${FUZZ_PRESET:-fuzz}
build="build-$preset"
parallel=2

cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset"

# run NAME: one harness on its working corpus, its output in a log beside the corpus.
run() {
  local name=$1
  local seeds="fuzz/corpus/${name%_fuzz}"
  local work="$build/corpus/${name%_fuzz}"
  mkdir -p "$work"
  [[ -d "$seeds" ]] && cp -n "$seeds"/* "$work"/ 2>/dev/null || true
  QT_QPA_PLATFORM=offscreen "$build/bin/$name" -max_total_time="$seconds" -rss_limit_mb=2048 \
    -artifact_prefix="$build/$name-" "$work" >"$work.log" 2>&1
}

# report NAME STATUS: the harness's closing lines, and whether it passed.
report() {
  local name=$1 status=$2
  echo "-- $name (${seconds}s)"
  grep -E "DONE|^Done|ERROR|SUMMARY|broken promise" "$build/corpus/${name%_fuzz}.log" | tail -n 4
  [[ $status -eq 0 ]] || echo "-- $name FAILED (status $status); the input is under $build/$name-*"
}

harnesses=()
for harness in "$build"/bin/*_fuzz; do
  [[ -x "$harness" ]] && harnesses+=("$(basename "$harness")")
done

failed=0
declare -A running=()  # pid -> harness

# reap: waits for one running harness to end, reports it and forgets it.
reap() {
  local status=0 done
  wait -n -p done "${!running[@]}" || status=$?
  report "${running[$done]}" "$status"
  [[ $status -eq 0 ]] || failed=1
  unset "running[$done]"
}

for name in "${harnesses[@]}"; do
  while [[ ${#running[@]} -ge $parallel ]]; do reap; done
  run "$name" &
  running[$!]=$name
done
while [[ ${#running[@]} -gt 0 ]]; do reap; done
exit "$failed"
