#!/usr/bin/env bash
# Sets up, builds and prints a demo page in DejaVu Sans: build/demo.ps and
# build/demo.pdf. Plain ASCII goes through show, accented letters and other
# non-ASCII characters through glyphshow.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/build.sh >/dev/null
lines=(
  "Quelin prints TrueType fonts on PostScript devices."
  "Café crème, naïve façade, Ærø, smørrebrød, Größe, Œuvre, €100"
  "Parentheses (as in this one), a lone ) and a back\\slash: C:\\Temp\\"
  "Percent 100% and {braces} /slashes/ <angles> [brackets] stay text."
)
build/quelin page "DejaVu Sans" "${lines[@]}" --size 14 -o build/demo.ps
build/quelin page "DejaVu Sans" "${lines[@]}" --size 14 -o build/demo.pdf
echo "Wrote $(pwd)/build/demo.ps"
echo "Wrote $(pwd)/build/demo.pdf"
