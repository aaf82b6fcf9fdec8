#!/usr/bin/env bash
# Times whole renders as processes, each against the reference a user would
# otherwise run, on an 8192² RGB DEFLATE GeoTIFF: kxhost turned 90° against
# kxhost unturned; gdal_translate through the GDAL driver against GDAL's own
# vrt:// for the same bands; a second gdal_translate through a warm cache
# against a plain read of the source; and a quarter turn through the driver
# against gdalwarp of a VRT whose geotransform is turned. The two commands of
# a pair run by turns, so that a drift of the machine's speed hits both
# alike; the medians of their wall and CPU seconds and the ratios follow.
# Usage: scripts/render-timing.sh [runs]   (default 5)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
runs=${1:-5}

source "$root/scripts/timing-setup.sh"
kxhost="$KXHOST"

# A VRT of the image whose geotransform turns it a quarter.
work="$root/build/render-timing"
mkdir -p "$work"
gdal_translate -q -of VRT "$image" "$work/turned.vrt"
read -r x0 dx _ y0 _ dy < <(gdalinfo -json "$image" | /usr/bin/python3 -c \
  'import json,sys; print(*json.load(sys.stdin)["geoTransform"])')
# Row and column swapped: pixel (column, row) lands where a clockwise turn
# puts it, column c' = height - 1 - row and row r' = column.
/usr/bin/python3 - "$work/turned.vrt" "$x0" "$dx" "$y0" "$dy" <<'EOF'
import re, sys
path, x0, dx, y0, dy = sys.argv[1], *map(float, sys.argv[2:])
text = open(path).read()
turned = f"{x0 + 8192 * dx}, 0, {-dx}, {y0}, {dy}, 0"
open(path, "w").write(re.sub(r"<GeoTransform>.*?</GeoTransform>", f"<GeoTransform>{turned}</GeoTransform>", text))
EOF

# One timed run: "wall cpu" seconds.
timed() {
  /usr/bin/time -f "%e %U %S" -o "$work/time.txt" "$@" >/dev/null 2>&1
  awk '{ printf("%s %.2f\n", $1, $2 + $3) }' "$work/time.txt"
}

# Runs the pair by turns after one warm-up each and prints a table row.
pair() {
  local what=$1 ours=$2 reference=$3 referenceName=$4
  bash -c "$ours" >/dev/null 2>&1
  bash -c "$reference" >/dev/null 2>&1
  : >"$work/ours.txt"
  : >"$work/reference.txt"
  for _ in $(seq "$runs"); do
    timed bash -c "$ours" >>"$work/ours.txt"
    timed bash -c "$reference" >>"$work/reference.txt"
  done
  local ow oc rw rc
  ow=$(cut -d' ' -f1 "$work/ours.txt" | median)
  oc=$(cut -d' ' -f2 "$work/ours.txt" | median)
  rw=$(cut -d' ' -f1 "$work/reference.txt" | median)
  rc=$(cut -d' ' -f2 "$work/reference.txt" | median)
  awk -v what="$what" -v name="$referenceName" -v ow="$ow" -v oc="$oc" -v rw="$rw" -v rc="$rc" 'BEGIN {
    printf("| %s | %.2f | %.2f | %s | %.2f | %.2f | %.2f |\n", what, ow, oc, name, rw, rc, rw / ow) }'
}

out="$work/out.tif"
cache="$work/cache"
rm -rf "$cache"
echo "Machine: $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ *//'), $(nproc) cores;" \
  "medians of $runs runs"
echo
echo "| work | ours wall (s) | ours CPU (s) | reference | reference wall (s) | reference CPU (s) | ours ÷ reference speed (wall) |"
echo "|---|---:|---:|---|---:|---:|---:|"
pair "kxhost render --tile 512 --rotate 90" "$kxhost render $image -o $out --tile 512 --rotate 90" \
  "$kxhost render $image -o $out --tile 512" "the same render unturned"
pair "gdal_translate kx://SRC?bands=3,2,1" "gdal_translate -q 'kx://$image?bands=3,2,1' $out" \
  "gdal_translate -q 'vrt://$image?bands=3,2,1' $out" "gdal_translate vrt://SRC?bands=3,2,1"
pair "gdal_translate kx://SRC?bands=3,2,1&cache=DIR, warm" \
  "gdal_translate -q 'kx://$image?bands=3,2,1&cache=$cache' $out" "gdal_translate -q $image $out" \
  "gdal_translate SRC (plain read)"
pair "gdal_translate kx://SRC?rotate=90" "gdal_translate -q 'kx://$image?rotate=90' $out" \
  "gdalwarp -q -overwrite -r near $work/turned.vrt $out" "gdalwarp of a VRT with a turned geotransform"
