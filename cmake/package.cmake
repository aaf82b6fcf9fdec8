# A Debian package of the installed layout (`cpack -G DEB` in a build with
# kxhost). Its maintainer scripts register the classes after installation
# and unregister them before removal, through kxhost.
set(KX_PACKAGE_PREFIX /usr)
foreach(script postinst prerm)
  configure_file(${PROJECT_SOURCE_DIR}/cmake/debian/${script}.in ${PROJECT_BINARY_DIR}/debian/${script} @ONLY
                 FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ
                                  WORLD_EXECUTE)
endforeach()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kx-lib-sp-xform)
set(CPACK_PACKAGE_VENDOR Kelvane)
set(CPACK_PACKAGE_CONTACT "kx_lib_sp_xform developers <kx-lib-sp-xform@kelvane.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "In-process image pipeline stages for raster rendering engines")
set(CPACK_PACKAGE_DESCRIPTION
    "A component module that raster rendering engines load in-process: a transposer, a multiband selector, a pixel replacer, a watermarker and a persistent pixel cache, with the public header, a CMake package and the reference host kxhost.")
set(CPACK_PACKAGING_INSTALL_PREFIX ${KX_PACKAGE_PREFIX})
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION libs)
# Dependencies (GDAL for kxhost, the C++ runtime) come from the binaries.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${PROJECT_BINARY_DIR}/debian/postinst ${PROJECT_BINARY_DIR}/debian/prerm)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION TRUE)
include(CPack)
