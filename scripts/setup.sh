#!/usr/bin/env bash
# Installs the Debian packages the game and its tests need, only when some are missing.
set -euo pipefail

PACKAGES=(
  build-essential cmake pkg-config git
  libsdl2-dev libgl-dev libgl1-mesa-dev libgl1-mesa-dri libglx-mesa0
  libpng-dev zlib1g-dev libfreetype-dev
  libvorbis-dev libogg-dev
  libopenal-dev libopenal1
  fonts-dejavu-core fonts-dejavu-extra fonts-liberation
  libgtest-dev googletest
  xvfb xauth libxtst6 libx11-6 libx11-dev libxdamage1
  clang libclang-rt-14-dev
)

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "Installing missing packages: ${missing[*]}"
SUDO=""
if [ "$(id -u)" -ne 0 ]; then
  SUDO="sudo"
fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update
$SUDO apt-get install -y --no-install-recommends "${missing[@]}"
