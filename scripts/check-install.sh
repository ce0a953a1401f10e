#!/usr/bin/env bash
# Installs a built tree into a throw-away prefix and checks it the way a desktop distribution
# would: the installed programs find the installed cascade, the desktop entry, AppStream data and
# manual pages pass their validators, and the Debian package holds all of it with the dependencies
# that dpkg-shlibdeps computed and no lintian errors or warnings.
# Usage: scripts/check-install.sh [BUILD_FOLDER]   (default: build, the release preset's)
set -euo pipefail
cd "$(dirname "$0")/.."
source=$PWD
build=$(realpath "${1:-build}")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
prefix=$(realpath "$work")/prefix
id=org.marrowby.Velmora
cascade=haarcascade_frontalface_alt.xml

source scripts/check-helpers.sh

# Every file of the installed layout, relative to the prefix (the package puts them under /usr).
layout=(
  bin/velmora bin/velmora-cli
  "share/velmora/$cascade"
  "share/applications/$id.desktop"
  "share/metainfo/$id.metainfo.xml"
  "share/icons/hicolor/scalable/apps/$id.svg"
  share/man/man1/velmora.1 share/man/man1/velmora-cli.1
  share/doc/velmora/README.md share/doc/velmora/robustness.md share/doc/velmora/copyright
  share/lintian/overrides/velmora
)
for size in 16 22 32 48 64 128 256; do
  layout+=("share/icons/hicolor/${size}x${size}/apps/$id.png")
done

install_tree() {
  cmake --install "$build" --prefix "$prefix"
  local file
  for file in "${layout[@]}"; do
    [[ -f "$prefix/$file" ]] || { echo "missing: $file"; return 1; }
  done
}

# Two faces in two_people.jpg, from another folder and with no --cascade: only the installed
# cascade can be found.
cli_finds_the_installed_cascade() {
  [[ ! -e "$prefix/bin/$cascade" ]] || { echo "a cascade lies beside the installed programs"; return 1; }
  local json
  json=$(cd "$work" && "$prefix/bin/velmora-cli" detect --json "$source/tests/data/photos/two_people.jpg")
  echo "$json"
  [[ $(grep -o '"neighbors"' <<<"$json" | wc -l) -eq 2 ]]
}

# Without any cascade the tool refuses with status 2 and names the place it looked first.
cli_refuses_without_a_cascade() {
  mv "$prefix/share/velmora/$cascade" "$work/$cascade"
  local status=0
  "$prefix/bin/velmora-cli" detect "$source/tests/data/photos/two_people.jpg" 2>"$work/refusal" || status=$?
  mv "$work/$cascade" "$prefix/share/velmora/$cascade"
  cat "$work/refusal"
  [[ $status -eq 2 ]] && grep -q "cannot load the face cascade $prefix/bin/$cascade" "$work/refusal"
}

# The window on the offscreen platform: its first line is the cascade path, then the loader's
# trail with a "Stage" line per stage. It is stopped once all 22 stages are read.
window_loads_the_installed_cascade() {
  local lines=() line stages=0
  coproc WINDOW {
    QT_QPA_PLATFORM=offscreen XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work" \
      exec "$prefix/bin/velmora" 2>"$work/window-stderr"
  }
  while [[ $stages -lt 22 ]] && IFS= read -r -t 60 line <&"${WINDOW[0]}"; do
    lines+=("$line")
    [[ "$line" == Stage ]] && stages=$((stages + 1))
  done
  kill "$WINDOW_PID" 2>/dev/null || true
  wait "$WINDOW_PID" 2>/dev/null || true
  printf '%s\n' "${lines[@]}"
  [[ "${lines[0]}" == "$prefix/share/velmora/$cascade" && $stages -eq 22 ]]
}

# man's own warnings, the way lintian asks for them.
manual_page_renders() {
  local warnings
  warnings=$(LC_ALL=C.UTF-8 MANROFFSEQ='' MANWIDTH=80 man --warnings -E UTF-8 -l -Tutf8 -Z "$1" 2>&1 >/dev/null)
  echo "$warnings"
  [[ -z "$warnings" ]]
}

build_package() {
  (cd "$build" && cpack -G DEB -B "$work/package")
}

package_lists_the_layout() {
  local listing file
  listing=$(dpkg-deb -c "$deb" | awk '{print $NF}')
  for file in "${layout[@]}"; do
    case $file in share/man/* | share/doc/velmora/*.md) file=$file.gz ;; esac
    grep -qx "./usr/$file" <<<"$listing" || { echo "not in the package: /usr/$file"; return 1; }
  done
}

package_fields() {
  dpkg-deb -I "$deb"
  [[ $(dpkg-deb -f "$deb" Package) == velmora ]] &&
    [[ $(dpkg-deb -f "$deb" Version) == "$version" ]] &&
    [[ $(dpkg-deb -f "$deb" Section) == graphics ]] &&
    [[ $(dpkg-deb -f "$deb" Recommends) == *qt6-wayland* ]] &&
    [[ $(dpkg-deb -f "$deb" Recommends) == *qt6-image-formats-plugins* ]] &&
    dpkg-deb -f "$deb" Depends | grep -q 'libc6 (>= ' &&
    dpkg-deb -f "$deb" Depends | grep -q 'libqt6widgets6 (>= ' &&
    dpkg-deb -f "$deb" Depends | grep -q 'libtinyxml2.6.2v5'
}

# Hardening tags are informational, so lintian's exit status does not show them.
no_hardening_tags() {
  local tags
  tags=$(lintian --pedantic -I "$deb" 2>&1)
  echo "$tags"
  ! grep -q hardening- <<<"$tags"
}

echo "== Install into a temporary prefix"
check "cmake --install puts every file in place" install_tree
check "installed velmora-cli finds both faces with the installed cascade" cli_finds_the_installed_cascade
check "installed velmora-cli without a cascade exits 2" cli_refuses_without_a_cascade
check "installed velmora starts offscreen and loads the installed cascade" window_loads_the_installed_cascade
check "desktop-file-validate" desktop-file-validate "$prefix/share/applications/$id.desktop"
check "appstreamcli validate --no-net" appstreamcli validate --no-net "$prefix/share/metainfo/$id.metainfo.xml"
check "velmora.1 renders without warnings" manual_page_renders "$prefix/share/man/man1/velmora.1"
check "velmora-cli.1 renders without warnings" manual_page_renders "$prefix/share/man/man1/velmora-cli.1"

echo "== Debian package"
version=$("$prefix/bin/velmora-cli" --version | awk '{print $2}')
deb="$work/package/velmora_${version}_$(dpkg --print-architecture).deb"
check "cpack -G DEB builds $(basename "$deb")" build_package
if [[ -f "$deb" ]]; then
  check "the package holds the installed layout" package_lists_the_layout
  check "control fields and computed dependencies" package_fields
  check "lintian: no errors or warnings" lintian --fail-on error,warning "$deb"
  check "lintian --pedantic -I: no hardening tag" no_hardening_tags
fi

check_summary "install"
