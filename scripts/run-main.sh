#!/usr/bin/env bash
# The main job: installs what is missing, builds the module and the reference
# host kxhost (x86-64, release), makes a 7-band geo-referenced sample image and
# renders its bands 3,2,1 through the module's multiband selector, in tiles on
# every core, then the same turned 90 degrees by the transposer with a logo
# stamped by the watermarker. Prints where the output is.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

"$root/scripts/install-deps.sh" || { echo "dependency installation failed" >&2; exit 1; }

# Build only what the job runs: the module and the host beside it.
build="$root/build/main"
mkdir -p "$root/build"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_FLAGS_RELEASE=-O2 \
  -DKX_BUILD_TOOLS=ON -DKX_BUILD_TESTS=OFF >"$build.configure.log" 2>&1 ||
  { cat "$build.configure.log"; exit 1; }
cmake --build "$build" --target kxhost -j "$(nproc)" >"$build.build.log" 2>&1 ||
  { tail -n 60 "$build.build.log"; exit 1; }

# Sample, what the source and module report, then the render.
out="$root/out"
mkdir -p "$out"
# The module this job built, whatever the user's registry names.
kxhost=("$build/kxhost" --module "$build/libkx_lib_sp_xform.so")
"${kxhost[@]}" sample "$out/sample-7band.tif" --bands 7 --size 2048x1536
"${kxhost[@]}" info "$out/sample-7band.tif"
"${kxhost[@]}" render "$out/sample-7band.tif" -o "$out/bands-3-2-1.png" --bands 3,2,1 --tile 256
"${kxhost[@]}" render "$out/sample-7band.tif" -o "$out/bands-3-2-1.tif" --bands 3,2,1 --tile 256
"${kxhost[@]}" render "$out/sample-7band.tif" -o "$out/bands-3-2-1-turned-watermarked.png" --bands 3,2,1 --rotate 90 \
  --watermark "$root/docs/pictures/logo.pgm"

echo
echo "rendered image:           $out/bands-3-2-1.png"
echo "geo-referenced GeoTIFF:   $out/bands-3-2-1.tif"
echo "turned and watermarked:   $out/bands-3-2-1-turned-watermarked.png"
echo "7-band source image:      $out/sample-7band.tif"
