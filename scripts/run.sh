#!/usr/bin/env bash
# Installs what is missing, builds Zerath and starts the desktop program.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release -DZERATH_BUILD_TESTS=OFF -DZERATH_BUILD_BENCH=OFF
cmake --build build --target zerath zerath-cli
exec ./build/src/gui/zerath "$@"
