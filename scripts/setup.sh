#!/usr/bin/env bash
# Installs what building and testing need on Debian 12 (run as root).
# Installs nothing when everything is there already.
set -euo pipefail

packages=(
  cmake g++ make pkg-config
  libfreetype-dev libfontconfig-dev fontconfig
  googletest libgtest-dev libbenchmark-dev
  python3 python3-fonttools
  ghostscript poppler-utils
  fonts-dejavu-core fonts-droid-fallback
  lcdf-typetools time
)

missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$package")
  fi
done

if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
