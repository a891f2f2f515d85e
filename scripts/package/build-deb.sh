#!/usr/bin/env bash
# Builds the Debian package: build-pkg/libquelin_<version>_<arch>.deb.
# Configures build-pkg/ for the /usr prefix (so the library goes to the
# multiarch directory, as Debian's own do), builds and runs CPack.
set -euo pipefail
cd "$(dirname "$0")/../.."
scripts/package/setup.sh
cmake -S . -B build-pkg -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
  -DQUELIN_BUILD_TESTS=OFF >/dev/null
cmake --build build-pkg -j "$(nproc)"
if ! (cd build-pkg && cpack -G DEB) >build-pkg/cpack.log 2>&1; then
  cat build-pkg/cpack.log >&2
  exit 1
fi
ls build-pkg/libquelin_*.deb
