#!/usr/bin/env bash
# Run by hand, not by CI: reads the private exponent's text and runs the private
# operation under valgrind with the secret marked undefined, so that memcheck
# reports every branch and every memory address that depends on it. Fails on
# any report. Needs valgrind (scripts/install-deps.sh installs it).
set -euo pipefail
cd "$(dirname "$0")/.."
command -v valgrind >/dev/null || { echo "valgrind is missing: bash scripts/install-deps.sh" >&2; exit 2; }
cmake -S . -B build-ct -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZERATH_BUILD_GUI=OFF \
      -DZERATH_BUILD_TESTS=OFF -DZERATH_BUILD_BENCH=OFF >/dev/null
cmake --build build-ct --target zerath_core
# The core compresses through ISA-L when the system has it; link what it was built with.
isal=()
if grep -q '^ISAL_FOUND:INTERNAL=1' build-ct/CMakeCache.txt; then read -ra isal <<<"$(pkg-config --libs libisal)"; fi
c++ -std=c++20 -O2 -g -Isrc/core tools/ctcheck/SecretCheck.cpp build-ct/src/core/libzerath_core.a "${isal[@]}" -lz -pthread \
    -o build-ct/secret-check
valgrind --quiet --num-callers=30 --error-exitcode=1 --track-origins=yes --suppressions=tools/ctcheck/result.supp \
    build-ct/secret-check tests/data/keys
echo "no branch or address depends on the secret"
