#!/usr/bin/env bash
# Builds the Debian package zerath_VERSION_ARCH.deb in a build folder of its own
# (build-package, without tests or benchmarks) and copies it into the top folder.
# Install it with: sudo apt-get install ./zerath_*.deb
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
build="${ZERATH_PACKAGE_BUILD_DIR:-build-package}"
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DZERATH_BUILD_TESTS=OFF -DZERATH_BUILD_BENCH=OFF
cmake --build "$build" -j "$(nproc)"
(cd "$build" && cpack -G DEB)
cp "$build"/zerath_*.deb .
ls zerath_*.deb
