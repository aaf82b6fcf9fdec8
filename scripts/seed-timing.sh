#!/usr/bin/env bash
# Times seeding an 8192² RGB DEFLATE GeoTIFF's cache, 4 levels (0-3), into a
# fresh directory each run: one kxhost process on one thread against two
# processes of one thread each (--part 1/2 and 2/2 at once), against two Dask
# worker processes (python3 -m kx_dask, the cluster's start included), and
# against gdal2tiles.py --processes=2 -p raster through the GDAL driver (the
# tool users would otherwise reach for; it writes PNG tiles, not raw ones).
# Prints the median wall seconds of each and the ratios to one process.
# Usage: scripts/seed-timing.sh [runs]   (default 3)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
runs=${1:-3}

source "$root/scripts/timing-setup.sh"

work="$root/build/seed-timing"
mkdir -p "$work"
cache="$work/cache"
# gdal2tiles opens files only: the same chain as a chain file.
printf '<KXChain><Source>%s</Source></KXChain>\n' "$image" >"$work/chain.kxchain"

# Median wall seconds of a command, each run into a fresh cache.
timed() {
  for _ in $(seq "$runs"); do
    rm -rf "$cache"
    /usr/bin/time -f "%e" -o "$work/time.txt" bash -c "$1" >/dev/null 2>&1
    cat "$work/time.txt"
  done | median
}

seed="$KXHOST seed $image --cache $cache --levels 0-3 --threads 1"
one=$(timed "$seed")
two=$(timed "$seed --part 1/2 & $seed --part 2/2 & wait")
dask=$(timed "/usr/bin/python3 -m kx_dask --workers 2 seed $image --cache $cache --levels 0-3 --parts 2")
tiles=$(timed "gdal2tiles.py -q --processes=2 -p raster -z 2-5 $work/chain.kxchain $cache")

echo "Machine: $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ *//'), $(nproc) cores;" \
  "medians of $runs runs, 4 levels of an 8192² RGB DEFLATE GeoTIFF"
echo
echo "| seeding | wall (s) | one process ÷ this (speed) |"
echo "|---|---:|---:|"
for row in "one kxhost seed process, one thread|$one" "two kxhost seed --part processes at once|$two" \
  "two Dask worker processes (cluster start included)|$dask" "gdal2tiles.py --processes=2 -p raster of a chain file|$tiles"; do
  awk -F'|' -v one="$one" '{ printf("| %s | %.2f | %.2f |\n", $1, $2, one / $2) }' <<<"$row"
done
