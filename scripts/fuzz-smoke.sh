#!/usr/bin/env bash
# Builds the fuzzing harnesses with clang and runs each one for a short fixed time on a copy of
# its committed seed corpus, two at a time (the machine has two cores). FUZZ_SECONDS sets the
# time per harness (default 50); FUZZ_PRESET the build they come from (default "fuzz"; test.sh
# uses "sanitize", which builds them beside the sanitizer tests, so that CI compiles the
# instrumented library once). FUZZ_BUILD names a build folder whose harnesses run as they are,
# without configuring or building; FUZZ_WORK the folder for the working corpora and logs
# (default: corpus/ in the build folder).
#
# Each harness's exec/s and coverage are printed when it ends. The script fails when a harness
# found something or stopped with an error (a harness whose set-up fails aborts), when it ends
# below its stated minimum coverage (a harness that reaches nothing passes nothing), when no
# harness was built, or when the working folder cannot be written.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${FUZZ_SECONDS:-50}
preset=${FUZZ_PRESET:-fuzz}
parallel=2

# The least coverage (libFuzzer's "cov": edges of the whole program) each harness must reach.
# Replaying the committed corpus alone reaches nearly all of what a short run ends with (in the
# sanitize build: cascade 1718, cli 611, detect 866, picture 1263, read 559, steady 881), so the
# minimums are about four fifths of that, whatever the machine's speed; a harness that returns
# early on every input stays in the tens.
declare -A minimum_coverage=(
  [cascade_fuzz]=1400
  [cli_fuzz]=500
  [detect_fuzz]=700
  [picture_fuzz]=1000
  [read_fuzz]=450
  [steady_fuzz]=700
)

if [[ -n "${FUZZ_BUILD:-}" ]]; then
  build=$FUZZ_BUILD
else
  build="build-$preset"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
fi
work=${FUZZ_WORK:-$build/corpus}

harnesses=()
for harness in "$build"/bin/*_fuzz; do
  [[ -x "$harness" ]] && harnesses+=("$(basename "$harness")")
done
if [[ ${#harnesses[@]} -eq 0 ]]; then
  echo "fuzz-smoke: no fuzzing harness in $build/bin: nothing was fuzzed" >&2
  exit 1
fi
for name in "${harnesses[@]}"; do
  if [[ -z "${minimum_coverage[$name]:-}" ]]; then
    echo "fuzz-smoke: no minimum coverage stated for $name (scripts/fuzz-smoke.sh)" >&2
    exit 1
  fi
done
if ! mkdir -p "$work" || ! touch "$work/.writable" 2>/dev/null; then
  echo "fuzz-smoke: cannot write the working folder $work" >&2
  exit 1
fi

# run NAME: one harness on its working corpus, its output in a log beside the corpus.
run() {
  local name=$1
  local seeds="fuzz/corpus/${name%_fuzz}"
  local corpus="$work/${name%_fuzz}"
  mkdir -p "$corpus" || return 1
  if [[ -d "$seeds" ]]; then cp -n "$seeds"/* "$corpus"/ || return 1; fi
  QT_QPA_PLATFORM=offscreen "$build/bin/$name" -max_total_time="$seconds" -rss_limit_mb=2048 \
    -artifact_prefix="$build/$name-" "$corpus" >"$corpus.log" 2>&1
}

# report NAME STATUS: the harness's speed, coverage and closing lines; 0 when it passed.
report() {
  local name=$1 status=$2
  local log="$work/${name%_fuzz}.log" done_line coverage speed
  done_line=$(grep -E '^#[0-9]+[[:space:]]+DONE ' "$log" 2>/dev/null | tail -n 1 || true)
  coverage=$(sed -nE 's/.* cov: ([0-9]+) .*/\1/p' <<<"$done_line")
  speed=$(sed -nE 's/.* exec\/s: ([0-9]+) .*/\1/p' <<<"$done_line")
  echo "-- $name (${seconds}s): ${speed:-?} exec/s, coverage ${coverage:-none} (minimum ${minimum_coverage[$name]})"
  grep -E "ERROR|SUMMARY|broken promise|set-up failed" "$log" 2>/dev/null | tail -n 4 || true
  if [[ $status -ne 0 ]]; then
    echo "-- $name FAILED (status $status); its log is $log, any input under $build/$name-*"
    return 1
  fi
  if [[ -z "$coverage" || $coverage -lt ${minimum_coverage[$name]} ]]; then
    echo "-- $name FAILED: coverage ${coverage:-none} is below its minimum ${minimum_coverage[$name]}; its log is $log"
    return 1
  fi
}

failed=0
declare -A running=()  # pid -> harness

# reap: waits for one running harness to end, reports it and forgets it.
reap() {
  local status=0 done
  wait -n -p done "${!running[@]}" || status=$?
  report "${running[$done]}" "$status" || failed=1
  unset "running[$done]"
}

for name in "${harnesses[@]}"; do
  while [[ ${#running[@]} -ge $parallel ]]; do reap; done
  run "$name" &
  running[$!]=$name
done
while [[ ${#running[@]} -gt 0 ]]; do reap; done
[[ $failed -eq 0 ]] && echo "fuzz-smoke: ${#harnesses[@]} harnesses passed"
exit "$failed"
