#!/usr/bin/env bash
# Installs the Debian 12 packages the build, the tests and the reference host
# need, and any further packages named as arguments (the benchmarks' peer
# libraries); does nothing when they are all present.
set -euo pipefail
# clang-14 and libclang-rt-14-dev build and run the libFuzzer targets; CPack
# needs file and dpkg-dev to work out the Debian package's dependencies; the
# Python packages (for /usr/bin/python3) run the GDAL driver's and the Dask
# tests; cpp-httplib, nlohmann's JSON and Leaflet make kxhost serve;
# Chromium, its driver and selenium open kxhost serve's page in the browser test.
packages=(cmake ninja-build g++ g++-multilib qemu-user googletest libgtest-dev libgmock-dev pkg-config dpkg-dev
          libbenchmark-dev libgdal-dev gdal-bin libhwy-dev clang-14 libclang-rt-14-dev file
          python3-gdal python3-rasterio python3-pytest python3-numpy python3-dask python3-distributed
          libcpp-httplib-dev nlohmann-json3-dev libjs-leaflet chromium chromium-driver python3-selenium "$@")
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
echo "installing: ${missing[*]}" >&2
SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO=sudo
$SUDO apt-get update -qq
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
