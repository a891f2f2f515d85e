#!/usr/bin/env bash
# Installs what building, installing and packaging need on Debian 12 (as
# root): the build tools and libraries, dpkg-shlibdeps (dpkg-dev) and file
# for CPack; Ghostscript, a font and groff for the tests. Installs nothing when
# everything is there already.
set -euo pipefail

packages=(
  cmake g++ make pkg-config file dpkg-dev
  libfreetype-dev libfontconfig-dev fontconfig
  ghostscript fonts-dejavu-core groff-base
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
