#!/usr/bin/env bash
# Renders the pictures at the top of the README with the kxhost of the main
# job's build (run scripts/run-main.sh first): bands 3,2,1 of the 7-band
# sample, and the same turned 90 degrees with docs/pictures/logo.pgm stamped
# in its corner, both at magnification 1/8; then serves the same bands with
# the logo and takes a screenshot of kxhost serve's page in headless Chromium.
set -euo pipefail
cd "$(dirname "$0")/.."
kxhost=(build/main/kxhost --module build/main/libkx_lib_sp_xform.so)
sample=out/sample-7band.tif
[ -x "${kxhost[0]}" ] && [ -f "$sample" ] || { echo "run scripts/run-main.sh first" >&2; exit 1; }
"${kxhost[@]}" render "$sample" -o docs/pictures/bands-3-2-1.png --bands 3,2,1 --mag 0.125
"${kxhost[@]}" render "$sample" -o docs/pictures/bands-3-2-1-turned-watermarked.png --bands 3,2,1 --mag 0.125 \
  --rotate 90 --watermark docs/pictures/logo.pgm

# The page: a server on a free loopback port, stopped when the script ends.
listening=$(mktemp)
"${kxhost[@]}" serve "$sample" --bands 3,2,1 --watermark docs/pictures/logo.pgm --bind 127.0.0.1 --port 0 \
  >"$listening" &
server=$!
trap 'kill "$server" 2>/dev/null; rm -f "$listening"' EXIT
url=""
# The server listens within a second; ten bound the wait.
for _ in $(seq 100); do
  url=$(sed -n 's|^kxhost serve: listening on ||p' "$listening")
  [ -n "$url" ] && break
  sleep 0.1
done
[ -n "$url" ] || { echo "kxhost serve did not start" >&2; exit 1; }
/usr/bin/python3 scripts/page-screenshot.py "$url" docs/pictures/serve-page.png
