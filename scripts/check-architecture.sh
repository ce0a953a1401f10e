#!/usr/bin/env bash
# Checks that docs/architecture.md is still true: every file it names exists, every function it
# names (written `name()`) is still there, in the file named in the same table row when there is one,
# and every test it names (`Suite.Name`) is still defined.
set -euo pipefail
cd "$(dirname "$0")/.."
doc=${1:-docs/architecture.md}
sources=(vision detect reading app cli tests bench fuzz tools)
problems=0

complain() {
  echo "$doc:$1: $2" >&2
  problems=$((problems + 1))
}

lineNumber=0
while IFS= read -r line; do
  lineNumber=$((lineNumber + 1))
  mapfile -t names < <(grep -o '`[^`]*`' <<<"$line" | tr -d '`')
  files=()
  for name in "${names[@]}"; do
    if [[ "$name" =~ ^[a-z_]+/[A-Za-z0-9_./-]*\.(cpp|h|sh|jsonl|md)$ ]]; then
      if [[ -e "$name" ]]; then files+=("$name"); else complain "$lineNumber" "no file $name"; fi
    fi
  done
  for name in "${names[@]}"; do
    if [[ "$name" =~ ^([A-Za-z_][A-Za-z0-9_]*::)?([A-Za-z_][A-Za-z0-9_]*)\(\)$ ]]; then
      function=${BASH_REMATCH[2]}
      # A function named beside its file in a table row is looked for there and in its header.
      where=()
      [[ "$line" == "|"* ]] && for file in "${files[@]}"; do
        where+=("$file")
        [[ "$file" == *.cpp && -e "${file%.cpp}.h" ]] && where+=("${file%.cpp}.h")
      done
      [[ ${#where[@]} -eq 0 ]] && where=("${sources[@]}")
      grep -rqE "\\b$function\\(" "${where[@]}" ||
        complain "$lineNumber" "no function $function in ${where[*]}"
    elif [[ "$name" =~ ^([A-Z][A-Za-z0-9_]*)\.([A-Z][A-Za-z0-9_]*)$ ]]; then
      grep -rqE "TEST(_F|_P)?\\(${BASH_REMATCH[1]}, ${BASH_REMATCH[2]}\\)" tests ||
        complain "$lineNumber" "no test $name"
    fi
  done
done <"$doc"

if [[ $problems -gt 0 ]]; then
  echo "$problems names in $doc no longer match the code" >&2
  exit 1
fi
echo "every name in $doc matches the code"
