#!/usr/bin/env bash
# Installs what building and testing need on Debian 12 (run as root).
# Installs nothing when everything is there already.
set -euo pipefail
source "$(dirname "$0")/lib/packages.sh"

install_packages \
  cmake g++ make pkg-config \
  libfreetype-dev libfontconfig-dev fontconfig \
  googletest libgtest-dev libbenchmark-dev \
  python3 python3-fonttools \
  ghostscript poppler-utils \
  fonts-dejavu-core fonts-droid-fallback fonts-wqy-zenhei \
  lcdf-typetools time
# quelin print: shaping and bidi, the fonts its tests print in, and the
# peers and page tools its tests and benchmark compare with.
install_packages \
  libharfbuzz-dev libfribidi-dev libharfbuzz-bin \
  fonts-noto-core fonts-wqy-zenhei fonts-symbola \
  paps enscript a2ps psutils
# The PDF writer (libdeflate) and the checkers its tests read PDF with; line
# breaking, charsets and CFF fonts for print.
install_packages \
  libdeflate-dev libicu-dev libuchardet-dev \
  qpdf mupdf-tools fonts-noto-cjk fonts-lmodern fonts-unifont source-highlight \
  python3-icu
# The spooler's filter: libcups to build it; the spooler, its client
# programs and the text filters it is chosen over, for its test.
install_packages libcups2-dev cups cups-client cups-filters
