#!/usr/bin/env bash
# Renders the pictures at the top of the README with the kxhost of the main
# job's build (run scripts/run-main.sh first): bands 3,2,1 of the 7-band
# sample, and the same turned 90 degrees with docs/pictures/logo.pgm stamped
# in its corner, both at magnification 1/8.
set -euo pipefail
cd "$(dirname "$0")/.."
kxhost=(build/main/kxhost --module build/main/libkx_lib_sp_xform.so)
sample=out/sample-7band.tif
[ -x "${kxhost[0]}" ] && [ -f "$sample" ] || { echo "run scripts/run-main.sh first" >&2; exit 1; }
"${kxhost[@]}" render "$sample" -o docs/pictures/bands-3-2-1.png --bands 3,2,1 --mag 0.125
"${kxhost[@]}" render "$sample" -o docs/pictures/bands-3-2-1-turned-watermarked.png --bands 3,2,1 --mag 0.125 \
  --rotate 90 --watermark docs/pictures/logo.pgm
