#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing need, and only
# those that are missing. Silent when everything is already there.
# Usage: tools/install-deps.sh [extra-package ...]
set -euo pipefail

PACKAGES=(
  build-essential cmake ccache
  libsfml-dev libopenal1
  libgtest-dev googletest libbenchmark-dev
  libx11-dev xvfb xauth xdotool x11-utils libgl1-mesa-dri
  fonts-dejavu-core doxygen tmux
  libtcod-dev zlib1g-dev console-setup-linux
  python3
)

missing=()
for pkg in "${PACKAGES[@]}" "$@"; do
  status=$(dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null || true)
  if [[ "$status" != "install ok installed" ]]; then
    missing+=("$pkg")
  fi
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

echo "Installing missing packages: ${missing[*]}" >&2
sudo_cmd=()
if [[ $(id -u) -ne 0 ]]; then
  if command -v sudo >/dev/null 2>&1; then
    sudo_cmd=(sudo)
  else
    echo "install-deps: not root and no sudo; please install: ${missing[*]}" >&2
    exit 1
  fi
fi
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -qq >&2
"${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >&2
