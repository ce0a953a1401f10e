#!/usr/bin/env bash
# The batch measure of velmora-cli: wall time of `read --jobs 2` against `--jobs 1` over a folder
# of 100 pictures (the test photos repeated), and peak resident memory over 100 and over 1000
# pictures, which should be about equal: pictures are streamed, not gathered.
# Usage: scripts/batch-measure.sh [BUILD_DIR] (default build). Needs hyperfine and /usr/bin/time.
set -euo pipefail
cd "$(dirname "$0")/.."
cli="$(realpath "${1:-build}")/bin/velmora-cli"
runs=${RUNS:-5}
[[ -x "$cli" ]] || { echo "no $cli: build first" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
photos=("$PWD"/tests/data/photos/*.png "$PWD"/tests/data/photos/*.jpg)
# count pictures named by number, links to the photos in turn.
make_folder() {
  local folder="$work/$1" count=$1
  mkdir -p "$folder"
  for ((i = 0; i < count; i++)); do
    local photo=${photos[i % ${#photos[@]}]}
    ln -s "$photo" "$folder/$(printf '%05d' "$i")_$(basename "$photo")"
  done
}
make_folder 100
make_folder 1000

# The machine is shared and drifts: each round times both, one after the other.
echo "== Wall time over 100 pictures, median of $runs interleaved rounds"
for ((round = 0; round < runs; round++)); do
  hyperfine --style none --runs 1 --export-csv "$work/round.csv" \
    "$cli read --json --jobs 1 $work/100" "$cli read --json --jobs 2 $work/100" >/dev/null
  awk -F, 'NR == 2 { print $2 > "'"$work"'/one" } NR == 3 { print $2 > "'"$work"'/two" }' \
    "$work/round.csv"
  cat "$work/one" >>"$work/ones"
  cat "$work/two" >>"$work/twos"
done
median() { sort -g "$1" | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
one=$(median "$work/ones")
two=$(median "$work/twos")
awk -v one="$one" -v two="$two" \
  'BEGIN { printf "--jobs 1: %.2f s, --jobs 2: %.2f s, ratio %.2f\n", one, two, two / one }'

echo "== Peak resident memory, read --jobs 2"
for count in 100 1000; do
  /usr/bin/time -f "%M" -o "$work/rss" "$cli" read --json --jobs 2 "$work/$count" >/dev/null
  echo "$count pictures: $(($(cat "$work/rss") / 1024)) MiB"
done
