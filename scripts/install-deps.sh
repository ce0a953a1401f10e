#!/usr/bin/env bash
# Installs the Debian 12 packages that building, testing and packaging Velmora need, if any are
# missing. apt's own output goes to a log file; the terminal gets one line per step, and the
# log's path if a step fails.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev libtinyxml-dev
  libgtest-dev libbenchmark-dev
  clang libclang-rt-14-dev clang-format
  # installing and packaging: icons, manual pages, the package and its validators
  librsvg2-bin help2man man-db dpkg-dev desktop-file-utils appstream lintian
  # the window on Wayland-only sessions
  qt6-wayland
  # the batch measure (scripts/batch-measure.sh)
  hyperfine time
)

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
