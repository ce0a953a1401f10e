#!/usr/bin/env bash
# scripts/fuzz-smoke.sh must not pass when nothing was fuzzed. It runs here on stand-in harnesses
# (small scripts that print what libFuzzer prints at the end of a run), so that each way of
# fuzzing nothing is tried in a moment: no harness built, a harness that reaches almost nothing
# (as one that returns early on every input does), a harness whose set-up fails, and a working
# folder that cannot be written. A healthy stand-in passes, so the failures are the checks' own.
set -euo pipefail
source=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

passed=0
failed=0
# expect STATUS DESCRIPTION PATTERN -- ENVIRONMENT...: runs the script with the environment and
# checks its exit status (0 or "fail") and that its output holds the pattern.
expect() {
  local want=$1 what=$2 pattern=$3
  shift 4
  local status=0
  env FUZZ_SECONDS=1 "$@" timeout 60 "$source/scripts/fuzz-smoke.sh" >"$work/output" 2>&1 ||
    status=$?
  if { [[ $want == 0 && $status -eq 0 ]] || [[ $want == fail && $status -ne 0 && $status -ne 124 ]]; } &&
    grep -q -- "$pattern" "$work/output"; then
    echo "  ok    $what"
    passed=$((passed + 1))
  else
    echo "  FAIL  $what (status $status)" >&2
    sed 's/^/        /' "$work/output" >&2
    failed=$((failed + 1))
  fi
}

# harness BUILD NAME COVERAGE STATUS: a stand-in that ends like a libFuzzer run with that coverage.
harness() {
  mkdir -p "$1/bin"
  cat >"$1/bin/$2" <<SCRIPT
#!/bin/sh
[ $4 -ne 0 ] && { echo "$2: set-up failed: cannot create the memory file" >&2; exit $4; }
echo "#1	INITED cov: $3 ft: $3 corp: 1/1b exec/s: 0 rss: 30Mb"
echo "#2500	DONE   cov: $3 ft: $3 corp: 1/1b lim: 4 exec/s: 2500 rss: 31Mb"
echo "Done 2500 runs in 1 second(s)"
SCRIPT
  chmod +x "$1/bin/$2"
}

mkdir -p "$work/none/bin"
harness "$work/healthy" cascade_fuzz 2500 0
harness "$work/healthy" cli_fuzz 800 0
harness "$work/idle" cascade_fuzz 8 0
harness "$work/idle" cli_fuzz 800 0
harness "$work/broken" cascade_fuzz 2500 1
harness "$work/unknown" new_fuzz 2500 0

expect 0 "healthy harnesses pass, with their speed and coverage" \
  "cascade_fuzz (1s): 2500 exec/s, coverage 2500" -- FUZZ_BUILD="$work/healthy"
expect fail "no harness built" "no fuzzing harness" -- FUZZ_BUILD="$work/none"
expect fail "a harness that reaches almost nothing" \
  "cascade_fuzz FAILED: coverage 8 is below its minimum" -- FUZZ_BUILD="$work/idle"
expect fail "a harness whose set-up fails" "cascade_fuzz FAILED (status 1)" \
  -- FUZZ_BUILD="$work/broken"
expect fail "a harness without a stated minimum" "no minimum coverage stated for new_fuzz" \
  -- FUZZ_BUILD="$work/unknown"
# /proc takes no new folders, whoever asks: root included.
expect fail "a working folder that cannot be written" "cannot write the working folder" \
  -- FUZZ_BUILD="$work/healthy" FUZZ_WORK=/proc/velmora-fuzz-work

echo "fuzz-smoke checks: $passed passed, $failed failed"
[[ $failed -eq 0 ]]
