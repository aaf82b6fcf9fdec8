#!/usr/bin/env bash
# Builds the Release benchmarks with their peer libraries (OpenCV, Little
# CMS, Ghostscript's CMYK profile; GDAL for the host benchmarks), runs every
# benchmark, and prints one table: our time for each piece of work, and the
# time of each reference measured in the same run (memcpy of the same bytes,
# a peer library, or the same work without our stage).
# The serve benchmark (bench/serve/serveLoad.py) loads `kxhost serve` over
# HTTP with loopback clients and compares it with the same tiles made in one
# process (serveTiles), over the timing scripts' 8192² GeoTIFF.
# Usage: scripts/bench.sh [benchmark ...]   (default: all of build/bench/bench, then serveLoad)
set -uo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

"$root/scripts/install-deps.sh" libopencv-dev liblcms2-dev libgs-common ||
  { echo "dependency installation failed" >&2; exit 1; }

build="$root/build/bench"
mkdir -p "$root/build"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DKX_BUILD_BENCH=ON -DKX_BUILD_TOOLS=ON \
  -DKX_BUILD_TESTS=OFF >"$build.configure.log" 2>&1 || { cat "$build.configure.log"; exit 1; }
cmake --build "$build" -j "$(nproc)" >"$build.build.log" 2>&1 || { tail -n 40 "$build.build.log"; exit 1; }

benchmarks=("$@")
if [ ${#benchmarks[@]} -eq 0 ]; then
  for program in "$build"/bench/*Bench; do benchmarks+=("$(basename "$program")"); done
  benchmarks+=(serveLoad)
fi

# Each benchmark prints its own report, then "row|work|ours ms|reference=ms|..." lines.
rows="$build/rows.txt"
: >"$rows"
for name in "${benchmarks[@]}"; do
  echo "== $name" >&2
  if [ "$name" = serveLoad ]; then
    # Builds kxhost and makes the 8192² DEFLATE GeoTIFF once, as the timing scripts do.
    source "$root/scripts/timing-setup.sh"
    run=(/usr/bin/python3 "$root/bench/serve/serveLoad.py" --kxhost "$KXHOST" --serve-tiles "$build/bench/serveTiles"
         --serve-fetch "$build/bench/serveFetch"
         --image "$image" --work "$build")
  else
    run=("$build/bench/$name")
  fi
  "${run[@]}" 2>&1 | tee "$build/$name.log" | grep '^row|' | sed "s/^row|/$name|/" >>"$rows"
done

echo
echo "Machine: $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ *//'), $(nproc) cores"
echo
echo "| benchmark | work | ours (ms) | reference | reference (ms) | ours ÷ reference speed |"
echo "|---|---|---:|---|---:|---:|"
awk -F'|' '{
  for (i = 4; i <= NF; ++i) {
    split($i, ref, "=");
    speed = ($3 > 0) ? ref[2] / $3 : 0;
    printf("| %s | %s | %.2f | %s | %.2f | %.2f |\n", $1, $2, $3, ref[1], ref[2], speed);
  }
}' "$rows"
