#!/usr/bin/env bash
# Installs what building, installing and packaging need on Debian 12 (as
# root): the build tools and libraries, dpkg-shlibdeps (dpkg-dev) and file
# for CPack; Ghostscript, a font and groff for the tests. Installs nothing when
# everything is there already.
set -euo pipefail
source "$(dirname "$0")/../lib/packages.sh"

install_packages \
  cmake g++ make pkg-config file dpkg-dev \
  libfreetype-dev libfontconfig-dev libharfbuzz-dev fontconfig libcups2-dev \
  ghostscript fonts-dejavu-core groff-base
