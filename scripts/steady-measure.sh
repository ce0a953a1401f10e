#!/usr/bin/env bash
# The cost of --steady in a batch: wall time of `velmora-cli read --steady --jobs 1` against
# `read --jobs 1` over a folder of 100 pictures (the test photos repeated, as in batch-measure.sh),
# in interleaved rounds, since the machine drifts. Prints each median and their ratio, for the
# wall time and for the processor time (user and system), which a busy machine disturbs less:
# with --jobs 1 both runs work on one thread.
# Usage: scripts/steady-measure.sh [BUILD_DIR] (default build). Needs hyperfine. RUNS sets the
# rounds (default 5), COUNT the pictures (default 100).
set -euo pipefail
cd "$(dirname "$0")/.."
cli="$(realpath "${1:-build}")/bin/velmora-cli"
runs=${RUNS:-5}
count=${COUNT:-100}
[[ -x "$cli" ]] || { echo "no $cli: build first" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
photos=("$PWD"/tests/data/photos/*.png "$PWD"/tests/data/photos/*.jpg)
mkdir -p "$work/pictures"
for ((i = 0; i < count; i++)); do
  photo=${photos[i % ${#photos[@]}]}
  ln -s "$photo" "$work/pictures/$(printf '%05d' "$i")_$(basename "$photo")"
done

echo "== Time over $count pictures, median of $runs interleaved rounds"
for ((round = 0; round < runs; round++)); do
  hyperfine --style none --runs 1 --export-csv "$work/round.csv" \
    "$cli read --json --jobs 1 $work/pictures" \
    "$cli read --json --steady --jobs 1 $work/pictures" >/dev/null
  awk -F, -v w="$work" 'NR == 2 { print $2 >> w "/plain"; print $5 + $6 >> w "/plain-cpu" }
    NR == 3 { print $2 >> w "/steady"; print $5 + $6 >> w "/steady-cpu" }' "$work/round.csv"
done
median() { sort -g "$1" | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
range() { sort -g "$1" | awk 'NR == 1 { lo = $1 } { hi = $1 } END { printf "%.2f-%.2f", lo, hi }'; }
for kind in "" -cpu; do
  plain=$(median "$work/plain$kind")
  steady=$(median "$work/steady$kind")
  awk -v kind="${kind:+processor}" -v plain="$plain" -v steady="$steady" \
    -v pr="$(range "$work/plain$kind")" -v sr="$(range "$work/steady$kind")" \
    'BEGIN { printf "%-9s read --jobs 1: %.2f s (%s), read --steady --jobs 1: %.2f s (%s), ratio %.2f\n",
             kind ? kind : "wall", plain, pr, steady, sr, steady / plain }'
done
