#!/usr/bin/env bash
# Builds the desktop program if needed and photographs every registered window
# on a virtual X screen into docs/screenshots/<name>.png.
#   scripts/screenshots.sh [OUTPUT_DIR]
# The desktop's settings pass through: QT_FONT_DPI=144 scripts/screenshots.sh /tmp/large
# photographs the windows with text at one and a half times its size.
set -euo pipefail
cd "$(dirname "$0")/.."
out="$(realpath -m "${1:-docs/screenshots}")"
build="${ZERATH_BUILD_DIR:-build}"
if [ ! -f "$build/build.ninja" ]; then
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DZERATH_BUILD_TESTS=OFF -DZERATH_BUILD_BENCH=OFF
fi
cmake --build "$build" --target zerath -j2
mkdir -p "$out"
unset QT_QPA_PLATFORM
export QT_QPA_PLATFORM=xcb
# A scratch data folder keeps the user's settings and key ring out of the pictures.
scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT
export ZERATH_HOME="$scratch"
zerath="$(realpath "$build/bin/zerath")"
if command -v xvfb-run >/dev/null; then
  xvfb-run -a -s "-screen 0 1280x1024x24" "$zerath" --screenshots "$out"
else
  Xvfb :99 -screen 0 1280x1024x24 >/dev/null 2>&1 &
  xpid=$!
  trap 'kill $xpid 2>/dev/null; rm -rf "$scratch"' EXIT
  sleep 1
  DISPLAY=:99 "$zerath" --screenshots "$out"
fi
echo "screenshots in $out"
