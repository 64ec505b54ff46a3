#!/usr/bin/env bash
# Draws the desktop program's pictures with tools/picgen (a small Qt program)
# into src/gui/pictures/ and writes the resource list pictures.qrc; the program
# icon comes from dist/icons/org.zerath.Zerath.svg, also drawn in the desktop's
# sizes into dist/icons/<N>x<N>/. The results
# are kept in the repository, so the program's build does not need this script.
set -euo pipefail
cd "$(dirname "$0")/.."
build="${PICGEN_BUILD_DIR:-build-picgen}"
out=src/gui/pictures
cmake -S tools/picgen -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j2 >/dev/null
"$build/picgen" "$out" dist/icons/org.zerath.Zerath.svg dist/icons
{
  echo '<!DOCTYPE RCC>'
  echo '<RCC version="1.0">'
  echo '  <qresource prefix="/pictures">'
  for f in $(cd "$out" && ls *.jpg *.png | sort); do
    echo "    <file>$f</file>"
  done
  echo '  </qresource>'
  echo '</RCC>'
} > "$out/pictures.qrc"
echo "wrote $out/pictures.qrc"
