#!/usr/bin/env bash
# Builds the libFuzzer targets (clang, ASan and UBSan) and fuzzes each one for a
# while on a scratch copy of its seed corpus, so fuzz/corpus stays as committed.
#
#   bash scripts/fuzz.sh [SECONDS] [TARGET...]
#
# SECONDS defaults to 60 per target; TARGET is keyfile, decrypt, table, settings,
# base64, bigint or decrypttext (default: all). FUZZ_BUILD_DIR chooses the build
# folder (default build-fuzz). A failing input is written to
# $FUZZ_BUILD_DIR/fuzz/artifacts/<target>/; new corpus entries found by the run
# stay in $FUZZ_BUILD_DIR/fuzz/work/<target>/ and may be copied into fuzz/corpus by hand.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
shift || true
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(keyfile decrypt table settings base64 bigint decrypttext)
build=${FUZZ_BUILD_DIR:-build-fuzz}
jobs=$(nproc)

CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZERATH_FUZZ=ON \
  -DZERATH_BUILD_GUI=OFF -DZERATH_BUILD_BENCH=OFF -DZERATH_BUILD_TESTS=OFF
cmake --build "$build" -j "$jobs" --target $(printf 'fuzz_%s ' "${targets[@]}")

status=0
for t in "${targets[@]}"; do
  work="$build/fuzz/work/$t"
  artifacts="$build/fuzz/artifacts/$t"
  rm -rf "$work"
  mkdir -p "$work" "$artifacts"
  cp -r "fuzz/corpus/$t/." "$work/"
  echo "== fuzz_$t for ${seconds}s"
  if ! ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
       "$build/fuzz/fuzz_$t" -max_total_time="$seconds" -timeout=25 -rss_limit_mb=2560 \
       -print_final_stats=1 -artifact_prefix="$artifacts/" "$work" 2>"$build/fuzz/fuzz_$t.log"; then
    echo "fuzz_$t FAILED: see $build/fuzz/fuzz_$t.log and $artifacts/"
    status=1
  fi
  grep -E '^(stat::|#[0-9]+[[:space:]]+(INITED|DONE))' "$build/fuzz/fuzz_$t.log" || true
done
exit $status
