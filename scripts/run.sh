#!/usr/bin/env bash
# Installs what is missing, builds Zerath and starts the desktop program.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release -DZERATH_BUILD_TESTS=OFF -DZERATH_BUILD_BENCH=OFF
cmake --build build --target zerath zerath-cli
# The program keeps its key ring in its data folder (zerath-cli where names it),
# not in the build folder. A key ring left there by an older build is not moved.
if [ -f build/src/gui/ZerathKeys.db ]; then
  echo "note: build/src/gui/ZerathKeys.db is an older key ring; move it with zerath.ini and your" >&2
  echo "      key files into $(./build/bin/zerath-cli where) to keep using it." >&2
fi
exec ./build/bin/zerath "$@"
