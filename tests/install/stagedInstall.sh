#!/usr/bin/env bash
# The install layout as a host engineer meets it: installs the build into a
# staging prefix, checks what is there, builds the example host against it
# with find_package alone, registers the module with the installed kxhost
# and runs the example, which finds the module through the registry.
# Usage: stagedInstall.sh SOURCE_DIR BUILD_DIR WORK_DIR
set -euo pipefail
source_dir=$1 build_dir=$2 work=$3
rm -rf "$work"
mkdir -p "$work"
stage="$work/stage"
export KX_REGISTRY_ROOT="$work/registry"

cmake --install "$build_dir" --prefix "$stage" >"$work/install.log"
fail() { echo "FAILED: $*" >&2; exit 1; }

# Headers, module (SONAME link and versioned file), package config, pkg-config file, host tool.
for file in include/kelvane/kx_lib_sp_xform.h lib/cmake/kx_lib_sp_xform/kx_lib_sp_xformConfig.cmake \
            lib/cmake/kx_lib_sp_xform/kx_lib_sp_xformConfigVersion.cmake lib/pkgconfig/kx_lib_sp_xform.pc bin/kxhost; do
  [ -e "$stage/$file" ] || fail "$file is not installed"
done
module=$(ls "$stage"/lib/libkx_lib_sp_xform.so.[0-9]*)
[ -n "$module" ] || fail "no versioned module installed"
soname=$(objdump -p "$stage"/lib/libkx_lib_sp_xform.so.*.*.* | awk '/SONAME/ {print $2}')
[ -L "$stage/lib/$soname" ] || fail "the module's SONAME $soname is not installed as a link"

# pkg-config: compiler flags and where the module is.
export PKG_CONFIG_PATH="$stage/lib/pkgconfig"
read -r cflags < <(pkg-config --cflags kx_lib_sp_xform)
[ -f "${cflags#-I}/kelvane/kx_lib_sp_xform.h" ] || fail "pkg-config --cflags gives $cflags"
[ -f "$(pkg-config --variable=module kx_lib_sp_xform)" ] || fail "pkg-config's module variable names no file"

# The example host, built against the staged install only.
cmake -S "$source_dir/examples/minimal-host" -B "$work/example" -G Ninja -DCMAKE_PREFIX_PATH="$stage" \
  >"$work/example.configure.log" || { cat "$work/example.configure.log"; fail "the example does not configure"; }
cmake --build "$work/example" >"$work/example.build.log" || { cat "$work/example.build.log"; fail "the example does not build"; }

# Not registered yet: the example says so and fails.
if "$work/example/minimal-host" "$work/out.ppm" 2>"$work/unregistered.txt"; then fail "the example ran unregistered"; fi
grep -q "not registered" "$work/unregistered.txt" || fail "unexpected message: $(cat "$work/unregistered.txt")"

# Registered by the installed kxhost, which finds the installed module itself.
"$stage/bin/kxhost" register >"$work/register.txt"
grep -q "$stage/lib/$soname" "$work/register.txt" || fail "kxhost registered $(cat "$work/register.txt")"
"$stage/bin/kxhost" classes >"$work/classes.txt"
grep -q "Kelvane Multiband Selector Content Imp *$stage/lib/$soname  threading Both" "$work/classes.txt" ||
  fail "kxhost classes shows: $(cat "$work/classes.txt")"
"$work/example/minimal-host" "$work/out.ppm" || fail "the example failed"
[ "$(head -c 15 "$work/out.ppm" | tr '\n' ' ')" = "P6 200 320 255 " ] || fail "the example wrote no 200x320 PPM"

# Unregistered again.
"$stage/bin/kxhost" unregister >/dev/null
if grep -q "threading" <("$stage/bin/kxhost" classes); then fail "classes are still registered"; fi
echo "staged install, example host and registration: ok"
