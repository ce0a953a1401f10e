#!/usr/bin/env bash
# Makes the README's two pictures with the program itself, from the public-domain sample photo
# two_people.jpg: docs/annotated.png (velmora-cli read --annotate) and docs/window.png (the window
# after reading the second face with the measurements shown, grabbed on the offscreen platform by
# tools/window_picture). Uses the release build, building what it needs.
set -euo pipefail
cd "$(dirname "$0")/.."

cmake --preset release >/dev/null
cmake --build --preset release --target velmora-cli window_picture >/dev/null

photo=tests/data/photos/two_people.jpg
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT

build/bin/velmora-cli read --annotate "$out" "$photo" >/dev/null
cp "$out/two_people.png" docs/annotated.png
build/bin/window_picture "$photo" 1 docs/window.png
echo "docs/annotated.png and docs/window.png written"
