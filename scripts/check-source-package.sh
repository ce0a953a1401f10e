#!/usr/bin/env bash
# Builds the Debian source package in debian/ the way a packager does (dpkg-buildpackage -us -uc
# -b on a copy of the source tree) and checks what comes out: the package and its debug-symbols
# package, no lintian tag (pedantic and informational ones included), the same files as CPack's
# package of the release build, the same recommendations, and the same readings of the test photos
# as the release build. debian/control's Build-Depends must be the packages the README lists.
# Usage: scripts/check-source-package.sh [BUILD_FOLDER]   (default: build, for CPack's package)
set -euo pipefail
cd "$(dirname "$0")/.."
source=$PWD
build=$(realpath "${1:-build}")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
arch=$(dpkg --print-architecture)
version=$(dpkg-parsechangelog -S Version)

source scripts/check-helpers.sh

# The packages named in README.md's line "Build-Depends: ..." against debian/control's.
build_depends_match_the_readme() {
  local readme control
  readme=$(sed -nE 's/^ *Build-Depends: *//p' README.md | tr ' ,' '\n\n' | grep . | sort)
  control=$(sed -nE '/^Build-Depends:/,/^[A-Z]/p' debian/control | sed -E 's/^Build-Depends://' |
    grep -vE '^[A-Z]' | tr ',' '\n' | sed -E 's/\(.*\)//; s/[[:space:]]//g' | grep . |
    grep -v '^debhelper-compat$' | sort)
  echo "README: $(echo $readme)"
  echo "debian/control: $(echo $control)"
  [[ -n "$readme" && "$readme" == "$control" ]]
}

# The project's version (CMakeLists.txt) is the change log's.
versions_agree() {
  local cmake
  cmake=$(sed -nE 's/^project\(Velmora VERSION ([0-9.]+) .*/\1/p' CMakeLists.txt)
  echo "CMakeLists.txt: $cmake, debian/changelog: $version"
  [[ "$cmake" == "$version" ]]
}

# A copy of the tracked and new files, as a packager's unpacked source; no build folders.
build_binary_packages() {
  mkdir "$work/src"
  if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
    git ls-files -co --exclude-standard -z | tar -c --null -T - | tar -x -C "$work/src"
  else
    tar -c --exclude='./build*' --exclude=./obj-\* . | tar -x -C "$work/src"
  fi
  (cd "$work/src" && DEB_BUILD_OPTIONS="parallel=$(nproc) ${DEB_BUILD_OPTIONS:-}" \
    dpkg-buildpackage -us -uc -b)
  ls "$deb" "$dbgsym"
}

lintian_is_silent() {
  local tags
  tags=$(lintian --pedantic -I "$work"/velmora_"${version}"_"$arch".changes 2>&1 |
    grep -v 'running with root privileges' || true)
  echo "$tags"
  [[ -z "$tags" ]]
}

# Paths only: both tools make the same folders and files, whatever their owners and dates.
listing() { dpkg-deb -c "$1" | awk '{print $6}' | sed 's|/$||' | grep -vx '\.' | sort; }

same_files_as_cpack() {
  (cd "$build" && cpack -G DEB -B "$work/cpack") >/dev/null
  diff <(listing "$work/cpack/velmora_${version}_$arch.deb") <(listing "$deb")
}

same_recommends_as_cpack() {
  diff <(dpkg-deb -f "$work/cpack/velmora_${version}_$arch.deb" Recommends) \
    <(dpkg-deb -f "$deb" Recommends)
}

# The packaged tool, built with Debian's flags, reads the test photos as the committed
# expectation says.
same_readings() {
  local expected=tests/data/expected/read.jsonl pictures
  mapfile -t pictures < <(sed -nE 's/^\{"image": "([^"]+)".*/\1/p' "$expected")
  dpkg-deb -x "$deb" "$work/root"
  (cd tests/data/photos && "$work/root/usr/bin/velmora-cli" read --json "${pictures[@]}") \
    >"$work/read.jsonl"
  diff "$expected" "$work/read.jsonl"
}

deb="$work/velmora_${version}_$arch.deb"
dbgsym="$work/velmora-dbgsym_${version}_$arch.deb"

echo "== Debian source package"
check "Build-Depends are the packages README.md lists" build_depends_match_the_readme
check "debian/changelog has the project's version" versions_agree
start=$SECONDS
check "dpkg-buildpackage -us -uc -b builds velmora and velmora-dbgsym" build_binary_packages
echo "        (built in $((SECONDS - start)) s)"
if [[ -f "$deb" ]]; then
  check "lintian --pedantic -I: no tags" lintian_is_silent
  check "the same files as CPack's package" same_files_as_cpack
  check "the same Recommends as CPack's package" same_recommends_as_cpack
  check "the packaged velmora-cli reads the test photos as expected" same_readings
fi

check_summary "source package"
