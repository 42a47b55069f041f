#!/usr/bin/env bash
# Installs what is missing, builds, and opens tarvex (or the program named as
# the first argument: tarvex or mulrin). Without a display it runs a
# demonstration through the command-line driver on the files in examples/.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
program="${1:-tarvex}"
case "$program" in tarvex|mulrin) ;; *) echo "usage: run.sh [tarvex|mulrin]" >&2; exit 2 ;; esac
"$root/scripts/setup.sh"
"$root/scripts/build.sh" >/dev/null
bin="$root/build/$program/$program"

if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  exec "$bin"
fi

echo "No display: running the demonstration through the command-line driver."
out="$root/out"
mkdir -p "$out"
cd "$root"
tv="$root/build/tarvex/tarvex"
mr="$root/build/mulrin/mulrin"
rm -f "$out"/tarvex-report.txt "$out"/mulrin-report.txt "$out"/tarvex-drawing.png \
      "$out"/tarvex.csv "$out"/tarvex.json "$out"/mulrin.csv "$out"/mulrin.json \
      "$out"/mulrin-map.png

# tarvex: settings from the settings file, the subtract file, Draw, then Calc.
"$tv" --choose examples/setting.ini --click load \
      --set subtract-file=examples/subtract.txt \
      --set display-interval=2 --set file-interval=5 --set display-factor=1 \
      --set report-file="$out/tarvex-report.txt" \
      --click draw --click calc --print result \
      --save-drawing "$out/tarvex-drawing.png" \
      --export-csv "$out/tarvex.csv" --export-json "$out/tarvex.json"
# mulrin: the same settings file, Check Data, then Calculate, its exports and
# its swing map.
"$mr" --choose examples/setting.ini --click load --set report-file="$out/mulrin-report.txt" \
      --click check-data --print count --print range --click calculate \
      --export-csv "$out/mulrin.csv" --export-json "$out/mulrin.json" \
      --save-map "$out/mulrin-map.png"

echo "tarvex report:  $out/tarvex-report.txt"
echo "tarvex drawing: $out/tarvex-drawing.png"
echo "tarvex exports: $out/tarvex.csv $out/tarvex.json"
echo "mulrin report:  $out/mulrin-report.txt"
echo "mulrin exports: $out/mulrin.csv $out/mulrin.json"
echo "mulrin map:     $out/mulrin-map.png"
