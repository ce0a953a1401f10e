#!/usr/bin/env bash
# Builds Velmora (installing what is missing, the test tools included) and runs every test: the
# whole suite in a normal build with the checks of its installation and Debian package, the whole
# suite again under AddressSanitizer and UndefinedBehaviorSanitizer, the Debian source package
# built and checked, and a short run of each fuzzing harness. --quick runs only the normal suite
# and the installation checks. The builds are the presets of CMakePresets.json.
set -euo pipefail
cd "$(dirname "$0")"
quick=0
[[ "${1:-}" == "--quick" ]] && quick=1

scripts/install-deps.sh --test
jobs=$(nproc)

echo "== Format check"
scripts/format.sh --check

echo "== Release build and tests"
cmake --preset release >/dev/null
cmake --build --preset release
ctest --preset release -j"$jobs"

echo "== Install and package checks"
scripts/check-install.sh build
[[ $quick -eq 1 ]] && exit 0

if command -v dh >/dev/null; then
  scripts/check-source-package.sh build
else
  echo "== Debian source package: not built, debhelper is not installed"
fi

# One clang build serves both: the sanitizer suite and the fuzzing harnesses.
echo "== Tests under AddressSanitizer and UndefinedBehaviorSanitizer"
cmake --preset sanitize >/dev/null
cmake --build --preset sanitize
ctest --preset sanitize -j"$jobs"

# Not optional: a fuzzing step that cannot run fails the script. 30 s per harness keeps the whole
# script within CI's 10 minutes; replaying the corpus reaches the harnesses' coverage at once, and
# the long runs are a campaign of their own (docs/robustness.md).
echo "== Short fuzzing runs"
FUZZ_PRESET=sanitize FUZZ_SECONDS=${FUZZ_SECONDS:-30} scripts/fuzz-smoke.sh
