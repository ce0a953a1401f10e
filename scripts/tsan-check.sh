#!/usr/bin/env bash
# Builds the command-line tool and the tests that run threads (the tool's own, the detector's
# and the steady reading's) with clang's ThreadSanitizer in a folder of its own, and runs them. Not
# part of CI: the instrumented build and run take several minutes on two cores.
# Usage: scripts/tsan-check.sh [BUILD_DIR] (default build-tsan); JOBS compile jobs (default 2).
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-tsan}
cmake -S . -B "$build" -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_CXX_FLAGS="-fsanitize=thread -fno-omit-frame-pointer" \
  -DCMAKE_EXE_LINKER_FLAGS=-fsanitize=thread -DVELMORA_BUILD_BENCH=OFF >/dev/null
tests=(detect_test cli_parts_test cli_tool_test)
cmake --build "$build" -j "${JOBS:-2}" --target velmora-cli "${tests[@]}" reading_test
# The tool's tests run the instrumented tool as a child: a report there changes its stderr and
# its exit status, and so fails the test that ran it.
export TSAN_OPTIONS="suppressions=$PWD/scripts/tsan.supp halt_on_error=1"
export QT_QPA_PLATFORM=offscreen
for test in "${tests[@]}"; do
  echo "-- $test"
  "$build/bin/$test" --gtest_brief=1
done
echo "-- reading_test, the steady reading"
"$build/bin/reading_test" --gtest_brief=1 --gtest_filter='Steady*'
