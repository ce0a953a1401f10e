#!/usr/bin/env bash
# Builds Velmora (installing what is missing) and runs every test: the whole suite in a normal
# build, the whole suite again under AddressSanitizer and UndefinedBehaviorSanitizer, and a short
# run of each fuzzing harness. --quick runs only the normal suite.
set -euo pipefail
cd "$(dirname "$0")"
quick=0
[[ "${1:-}" == "--quick" ]] && quick=1

scripts/install-deps.sh
jobs=$(nproc)

echo "== Release build and tests"
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build
ctest --test-dir build --output-on-failure -j"$jobs"
[[ $quick -eq 1 ]] && exit 0

echo "== Tests under AddressSanitizer and UndefinedBehaviorSanitizer"
cmake -S . -B build-sanitize -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DVELMORA_SANITIZE=ON -DVELMORA_BUILD_BENCH=OFF >/dev/null
cmake --build build-sanitize
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --test-dir build-sanitize --output-on-failure -j"$jobs"

if [[ -x scripts/fuzz-smoke.sh ]]; then
  echo "== Short fuzzing runs"
  scripts/fuzz-smoke.sh
fi
