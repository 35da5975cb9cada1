#!/usr/bin/env bash
# Installs the Debian packages Quavix builds and tests with, when any is missing.
# Quick when everything is already there.
set -euo pipefail

packages=(
  g++ cmake ninja-build pkg-config ccache python3
  qt6-base-dev qt6-svg-dev
  libfluidsynth-dev timgm6mb-soundfont fluidsynth
  libasound2-dev libsamplerate0-dev alsa-utils libgsf-1-dev libcdio-dev libcdio-cdda-dev libcdio-paranoia-dev
  python3-olefile
  libgtest-dev libgmock-dev libbenchmark-dev
  fonts-dejavu-core fonts-liberation2
  xvfb xauth
  locales
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
if [ "$(id -u)" -ne 0 ]; then
  if command -v sudo >/dev/null 2>&1; then
    SUDO=sudo
  else
    echo "setup-deps: these packages are missing and this user cannot install them (not root, no sudo):" >&2
    echo "  ${missing[*]}" >&2
    exit 1
  fi
else
  SUDO=
fi
export DEBIAN_FRONTEND=noninteractive
if ! $SUDO apt-get update -qq; then
  echo "setup-deps: apt-get update failed; is the package network reachable?" >&2
  exit 1
fi
if ! $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"; then
  echo "setup-deps: could not install ${missing[*]}" >&2
  exit 1
fi
