#!/usr/bin/env bash
# Formats the C++ sources with the committed .clang-format (clang-format 14, as in Debian 12).
# --check changes nothing and fails when a file would change; CI runs it that way.
set -euo pipefail
cd "$(dirname "$0")/.."

if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
  mapfile -t files < <(git ls-files '*.cpp' '*.h')
else
  mapfile -t files < <(find app bench cli detect fuzz reading tests tools vision -name '*.cpp' -o -name '*.h' | sort)
fi

if [[ "${1:-}" == "--check" ]]; then
  if ! clang-format --dry-run --Werror "${files[@]}"; then
    echo "format: some files differ from .clang-format; run scripts/format.sh" >&2
    exit 1
  fi
  echo "format: ${#files[@]} files as .clang-format wants them"
else
  clang-format -i "${files[@]}"
fi
