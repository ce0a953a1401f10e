#!/usr/bin/env bash
# Installs the Debian 12 packages Velmora needs, if any are missing. Without an argument: what
# building and running the window needs (./run.sh). With --test: also the tests, the sanitizer
# and fuzzing builds, the benchmarks, and building and checking the packages (./test.sh). apt's
# own output goes to a log file; the terminal gets one line per step, and the log's path if a
# step fails.
# Usage: scripts/install-deps.sh [--test]
set -euo pipefail

# Building the window: the compiler, CMake with Ninja, Qt and TinyXML; and Qt's readers of the
# picture formats beyond PNG, JPEG and BMP.
packages=(
  g++ cmake ninja-build pkg-config
  qt6-base-dev libtinyxml-dev
  qt6-image-formats-plugins
)
# In a Wayland session without an X server beside it the window cannot open without Qt's Wayland
# plugin; elsewhere it is not needed (the packages recommend it for such sessions).
if [[ -n "${WAYLAND_DISPLAY:-}" && -z "${DISPLAY:-}" ]]; then
  packages+=(qt6-wayland)
fi
if [[ "${1:-}" == "--test" ]]; then
  packages+=(
    build-essential
    libgtest-dev libbenchmark-dev
    clang libclang-rt-14-dev clang-format
    # installing and packaging: icons, manual pages, both packages and their validators
    librsvg2-bin help2man man-db dpkg-dev debhelper desktop-file-utils appstream lintian
    # the batch measure (scripts/batch-measure.sh)
    hyperfine time
  )
elif [[ $# -gt 0 ]]; then
  echo "usage: scripts/install-deps.sh [--test]" >&2
  exit 2
fi

missing=()
for p in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
  [[ "$status" == "install ok installed" ]] || missing+=("$p")
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

# Root runs apt-get itself; anyone else needs sudo, and without it there is nothing to try.
sudo=()
if [[ $(id -u) -ne 0 ]]; then
  if ! command -v sudo >/dev/null; then
    echo "Velmora needs these Debian packages: ${missing[*]}" >&2
    echo "Install them as root, then run this again:" >&2
    echo "  apt-get install --no-install-recommends ${missing[*]}" >&2
    exit 1
  fi
  sudo=(sudo)
fi

log=$(mktemp "${TMPDIR:-/tmp}/velmora-install-deps.XXXXXX.log")
# step MESSAGE COMMAND...: one line on the terminal, the command's output in the log.
step() {
  local message=$1
  shift
  echo "$message"
  echo "== $message: $*" >>"$log"
  if ! "$@" >>"$log" 2>&1 </dev/null; then
    echo "Failed: $message. The whole output is in $log" >&2
    tail -n 5 "$log" >&2
    exit 1
  fi
}

# sudo drops the environment, so the variable goes through env.
apt=("${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get)
step "Updating the package lists" "${apt[@]}" update
step "Installing ${#missing[@]} packages: ${missing[*]}" \
  "${apt[@]}" install -y --no-install-recommends "${missing[@]}"
rm -f "$log"
