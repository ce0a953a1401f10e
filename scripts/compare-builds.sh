#!/usr/bin/env bash
# Times two builds of a benchmark against each other in interleaved rounds: round after round,
# each build runs once, so that the machine's drift (large on shared machines, from minute to
# minute and from day to day) falls on both alike. Prints, for every benchmark, each build's
# median of the per-round medians with the range of those, and the second build's share of the
# first's.
#
# Usage: scripts/compare-builds.sh [--rounds N] [--bench NAME] [--filter REGEX] BEFORE [AFTER]
#   BEFORE, AFTER  git revisions, each built in a temporary worktree (release, the benchmark
#                  alone); AFTER defaults to this checkout's own build/ as it stands
#   --rounds N     rounds (default 5)
#   --bench NAME   detect_bench (default), load_bench or read_bench
#   --filter RE    benchmarks to run (default ^detectFaces/)
set -euo pipefail
cd "$(dirname "$0")/.."

rounds=5
bench=detect_bench
filter='^detectFaces/'
revisions=()
while (($#)); do
  case "$1" in
  --rounds) rounds=$2; shift 2 ;;
  --bench) bench=$2; shift 2 ;;
  --filter) filter=$2; shift 2 ;;
  -h | --help) sed -n '2,14p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
  -*) echo "unknown option $1" >&2; exit 2 ;;
  *) revisions+=("$1"); shift ;;
  esac
done
if ((${#revisions[@]} < 1 || ${#revisions[@]} > 2)); then
  echo "usage: $0 [--rounds N] [--bench NAME] [--filter REGEX] BEFORE [AFTER]" >&2
  exit 2
fi
[[ "$rounds" =~ ^[1-9][0-9]*$ ]] || { echo "--rounds wants a positive whole number" >&2; exit 2; }

work=$(mktemp -d)
worktrees=()
cleanup() {
  for tree in "${worktrees[@]}"; do git worktree remove --force "$tree" >/dev/null 2>&1 || true; done
  rm -rf "$work"
}
trap cleanup EXIT

# Builds the benchmark of one revision in a worktree of its own and adds it to binaries.
build_revision() {
  local revision=$1 tree
  tree="$work/tree-$(git rev-parse --short "$revision^{commit}")"
  git worktree add --detach --quiet "$tree" "$revision"
  worktrees+=("$tree")
  echo "== building $bench at $revision" >&2
  cmake -S "$tree" -B "$tree/build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
  cmake --build "$tree/build" --target "$bench" >/dev/null
  binaries+=("$tree/build/bin/$bench")
  labels+=("$revision")
}

binaries=()
labels=()
build_revision "${revisions[0]}"
if ((${#revisions[@]} == 2)); then
  build_revision "${revisions[1]}"
else
  [[ -x build/bin/$bench ]] || { echo "no build/bin/$bench: build this checkout first" >&2; exit 1; }
  binaries+=("$PWD/build/bin/$bench")
  labels+=("this checkout")
fi

# One line per benchmark and round: build, name, median in ms.
for ((round = 1; round <= rounds; round++)); do
  echo "== round $round of $rounds" >&2
  for k in 0 1; do
    # Benchmarks that set no repetitions of their own (read_bench's) give a median of five.
    "${binaries[k]}" --benchmark_filter="$filter" --benchmark_format=csv \
      --benchmark_repetitions=5 --benchmark_report_aggregates_only=true 2>/dev/null |
      awk -F, -v k="$k" '$1 ~ /_median"?$/ {
          name = $1; gsub(/"/, "", name); sub(/_median$/, "", name)
          unit = $5; gsub(/"/, "", unit)
          scale = unit == "ns" ? 1e-6 : unit == "us" ? 1e-3 : unit == "s" ? 1e3 : 1
          printf "%d %s %.4f\n", k, name, $3 * scale }' >>"$work/times"
  done
done

[[ -s "$work/times" ]] || { echo "no benchmark matched $filter" >&2; exit 1; }
echo
echo "medians of $rounds interleaved rounds, ms [range]; 0 = ${labels[0]}, 1 = ${labels[1]}"
sort -k2,2 -k1,1n -k3,3g "$work/times" | awk '
  function middle(k) { return n[k] % 2 ? v[k, (n[k] + 1) / 2] : (v[k, n[k] / 2] + v[k, n[k] / 2 + 1]) / 2 }
  function figure(k) { return n[k] ? sprintf("%8.2f [%.2f-%.2f]", middle(k), v[k, 1], v[k, n[k]]) : sprintf("%8s", "absent") }
  function report() {
    if (name == "") return
    printf "%-44s 0: %s   1: %s", name, figure(0), figure(1)
    if (n[0] && n[1] && middle(0) > 0) printf "   1/0: %.2f", middle(1) / middle(0)
    printf "\n"
  }
  $2 != name { report(); name = $2; n[0] = n[1] = 0; delete v }
  { v[$1, ++n[$1]] = $3 }
  END { report() }'
