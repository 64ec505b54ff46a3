#!/usr/bin/env bash
# Prints the accessibility tree (as a screen reader reads it over AT-SPI) of
# every window the screenshot mode shows, and counts the interactive elements,
# the named ones and those reachable by keyboard.
#   scripts/a11y-tree.sh [PROGRAM]      (default: build/bin/zerath)
# Needs Xvfb, dbus-run-session, at-spi2-core and python3-pyatspi.
set -euo pipefail
cd "$(dirname "$0")/.."
zerath="$(realpath "${1:-${ZERATH_BUILD_DIR:-build}/bin/zerath}")"
here="$(pwd)"
scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT
export ZERATH_HOME="$scratch/home" QT_QPA_PLATFORM=xcb QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1
export ZERATH_SCREENSHOT_SETTLE_MS="${ZERATH_SCREENSHOT_SETTLE_MS:-2500}"
xvfb-run -a -s "-screen 0 1280x1024x24" dbus-run-session -- bash -c '
  /usr/libexec/at-spi-bus-launcher --launch-immediately >/dev/null 2>&1 &
  sleep 1
  /usr/bin/python3 "$0/scripts/a11y-tree.py" 180 &
  reader=$!
  sleep 1
  "$1" --screenshots "$2/shots" >/dev/null
  wait $reader
' "$here" "$zerath" "$scratch"
