#!/usr/bin/env bash
# The Debian package: built by CPack from the build tree, it carries the
# module, the headers and the CMake files, and its maintainer scripts,
# run against a root and a registry of this test's own (never the machine's),
# register the classes after installation and unregister them before removal.
# Usage: debianPackage.sh BUILD_DIR WORK_DIR
set -euo pipefail
build_dir=$1 work=$2
rm -rf "$work"
mkdir -p "$work"
fail() { echo "FAILED: $*" >&2; exit 1; }

(cd "$build_dir" && cpack -G DEB -B "$work/package") >"$work/cpack.log" 2>&1 || { cat "$work/cpack.log"; fail "cpack"; }
package=$(ls "$work"/package/*.deb)
dpkg-deb --contents "$package" >"$work/contents.txt"
for file in ./usr/bin/kxhost ./usr/include/kelvane/kx_lib_sp_xform.h ./usr/lib/cmake/kx_lib_sp_xform/kx_lib_sp_xformConfig.cmake \
            ./usr/lib/pkgconfig/kx_lib_sp_xform.pc; do
  grep -q " $file\$" "$work/contents.txt" || fail "the package lacks $file"
done
grep -q -E " ./usr/lib/libkx_lib_sp_xform\.so\.[0-9]+ -> " "$work/contents.txt" || fail "the package lacks the module"

# Unpack into a root of our own and run the maintainer scripts there.
dpkg-deb -x "$package" "$work/root"
dpkg-deb -e "$package" "$work/control"
export DPKG_ROOT="$work/root" KX_REGISTRY_ROOT="$work/registry"
"$work/control/postinst" configure
"$work/root/usr/bin/kxhost" classes >"$work/after-install.txt"
[ "$(grep -c "$work/root/usr/lib/libkx_lib_sp_xform.so" "$work/after-install.txt")" -ge 3 ] ||
  fail "postinst registered: $(cat "$work/after-install.txt")"
"$work/control/prerm" remove
if grep -q "threading" <("$work/root/usr/bin/kxhost" classes); then fail "prerm left classes registered"; fi
echo "package contents and maintainer scripts: ok"
