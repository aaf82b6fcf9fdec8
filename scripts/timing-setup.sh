# Sourced by the whole-process timing scripts: builds kxhost, the module and
# the GDAL driver in Release (build/bench), points GDAL and the Python package
# at them, makes the 8192² RGB DEFLATE GeoTIFF they time (once, in
# build/timing), and gives `median`, which reads one number a line.
"$root/scripts/install-deps.sh" time >/dev/null || { echo "dependency installation failed" >&2; exit 1; }
build="$root/build/bench"
mkdir -p "$root/build"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DKX_BUILD_TOOLS=ON -DKX_BUILD_TESTS=OFF \
  >"$build.configure.log" 2>&1 || { cat "$build.configure.log"; exit 1; }
cmake --build "$build" -j "$(nproc)" --target kxhost kx_lib_sp_xform gdal_KX >"$build.build.log" 2>&1 ||
  { tail -n 40 "$build.build.log"; exit 1; }
# The module built beside the driver, whatever the machine's registry names.
export KXHOST="$build/kxhost" GDAL_DRIVER_PATH="$build" KX_MODULE="$build/libkx_lib_sp_xform.so"
export PYTHONPATH="$root/python" PYTHONDONTWRITEBYTECODE=1

image="$root/build/timing/rgb-8192-deflate.tif"
if [ ! -f "$image" ]; then
  mkdir -p "$root/build/timing"
  "$KXHOST" sample "$root/build/timing/plain.tif" --bands 3 --size 8192x8192 >/dev/null
  gdal_translate -q -co COMPRESS=DEFLATE -co TILED=YES "$root/build/timing/plain.tif" "$image"
  rm -f "$root/build/timing/plain.tif"
fi

median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
