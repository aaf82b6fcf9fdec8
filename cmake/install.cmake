# What `cmake --install` lays out: the module with its SONAME and version,
# the public headers, kxhost (when built), a CMake package config and a
# pkg-config file. Hosts dlopen the module, so the package offers the headers
# as a target and the module's installed path as a variable.
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

set_target_properties(kx_lib_sp_xform PROPERTIES VERSION ${PROJECT_VERSION} SOVERSION ${PROJECT_VERSION_MAJOR})
# The name the package registers and hosts load: the module's SONAME.
set(KX_MODULE_FILE_NAME libkx_lib_sp_xform.so.${PROJECT_VERSION_MAJOR})
set(KX_MODULE_INSTALL_FILE ${CMAKE_INSTALL_LIBDIR}/${KX_MODULE_FILE_NAME})
set(KX_CMAKE_INSTALL_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/kx_lib_sp_xform)

# The public header as a target of its own, in the tree and installed.
add_library(kx_lib_sp_xform_headers INTERFACE)
add_library(kx_lib_sp_xform::headers ALIAS kx_lib_sp_xform_headers)
set_target_properties(kx_lib_sp_xform_headers PROPERTIES EXPORT_NAME headers)
target_include_directories(kx_lib_sp_xform_headers INTERFACE $<BUILD_INTERFACE:${PROJECT_SOURCE_DIR}/include>
                                                              $<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}>)

install(TARGETS kx_lib_sp_xform LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} NAMELINK_SKIP)
install(TARGETS kx_lib_sp_xform_headers EXPORT kx_lib_sp_xformTargets)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/include/kelvane DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(EXPORT kx_lib_sp_xformTargets NAMESPACE kx_lib_sp_xform:: DESTINATION ${KX_CMAKE_INSTALL_DIR})

configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/kx_lib_sp_xformConfig.cmake.in
                              ${PROJECT_BINARY_DIR}/kx_lib_sp_xformConfig.cmake
                              INSTALL_DESTINATION ${KX_CMAKE_INSTALL_DIR} PATH_VARS KX_MODULE_INSTALL_FILE)
# A host built against 1.x loads any 1.y module.
write_basic_package_version_file(${PROJECT_BINARY_DIR}/kx_lib_sp_xformConfigVersion.cmake
                                 COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/kx_lib_sp_xformConfig.cmake ${PROJECT_BINARY_DIR}/kx_lib_sp_xformConfigVersion.cmake
        DESTINATION ${KX_CMAKE_INSTALL_DIR})

# pkg-config, relocatable: the prefix is found from the .pc file's own place.
file(RELATIVE_PATH KX_PC_PREFIX_FROM_PCFILEDIR ${CMAKE_INSTALL_FULL_LIBDIR}/pkgconfig ${CMAKE_INSTALL_PREFIX})
configure_file(${PROJECT_SOURCE_DIR}/cmake/kx_lib_sp_xform.pc.in ${PROJECT_BINARY_DIR}/kx_lib_sp_xform.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/kx_lib_sp_xform.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
