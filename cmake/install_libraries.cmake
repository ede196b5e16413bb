# Installs ZamraPlatform, ZamraApi and ZamraView as libraries others build on: the shared
# libraries with their SONAME links, the public headers under include/zamra (spelled as in this
# tree: "api/...", "platform/...", "view/..."), a CMake package (find_package(Zamra ... COMPONENTS
# Api View) giving Zamra::Api and Zamra::View) and pkg-config files (zamra-api, zamra-view).
# The internal ZamraShapeCore and ZamraViewCore and the headers beside the sources stay here.
# Components: "libraries" (the run-time files) and "development" (headers, links, package files).
# SPDX-License-Identifier: MIT
include(CMakePackageConfigHelpers)

set(ZAMRA_INCLUDE_SUBDIR ${CMAKE_INSTALL_INCLUDEDIR}/zamra)
set(ZAMRA_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/Zamra)

set_target_properties(ZamraPlatform PROPERTIES EXPORT_NAME Platform)
set_target_properties(ZamraApi PROPERTIES EXPORT_NAME Api)
set_target_properties(ZamraView PROPERTIES EXPORT_NAME View)

install(TARGETS ZamraPlatform ZamraApi ZamraView EXPORT ZamraTargets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT libraries NAMELINK_COMPONENT development
  INCLUDES DESTINATION ${ZAMRA_INCLUDE_SUBDIR})
install(DIRECTORY
    ${PROJECT_SOURCE_DIR}/platform/include/
    ${PROJECT_SOURCE_DIR}/api/include/
    ${PROJECT_SOURCE_DIR}/view/include/
  DESTINATION ${ZAMRA_INCLUDE_SUBDIR} COMPONENT development
  FILES_MATCHING PATTERN "*.h"
  # The handle objects and the seam for POSIX calls are shared only by the libraries themselves.
  PATTERN handle_object.h EXCLUDE
  PATTERN system_calls.h EXCLUDE)

install(EXPORT ZamraTargets NAMESPACE Zamra:: DESTINATION ${ZAMRA_CMAKE_DIR} COMPONENT development)
configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/package/ZamraConfig.cmake.in
  ${PROJECT_BINARY_DIR}/package/ZamraConfig.cmake INSTALL_DESTINATION ${ZAMRA_CMAKE_DIR})
# The SONAME carries the major version: a program built against 0.1 runs with any 0.x.
write_basic_package_version_file(${PROJECT_BINARY_DIR}/package/ZamraConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/package/ZamraConfig.cmake ${PROJECT_BINARY_DIR}/package/ZamraConfigVersion.cmake
  DESTINATION ${ZAMRA_CMAKE_DIR} COMPONENT development)

# pkg-config files, relocatable (their prefix is worked out from their own folder).
set(ZAMRA_PC_DIR ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
file(RELATIVE_PATH ZAMRA_PC_PREFIX_FROM_PCDIR /prefix/${ZAMRA_PC_DIR} /prefix)
function(zamra_pkg_config name description requires libs)
  set(ZAMRA_PC_NAME ${name})
  set(ZAMRA_PC_DESCRIPTION ${description})
  set(ZAMRA_PC_REQUIRES ${requires})
  set(ZAMRA_PC_LIBS ${libs})
  configure_file(${PROJECT_SOURCE_DIR}/cmake/package/zamra.pc.in ${PROJECT_BINARY_DIR}/package/${name}.pc @ONLY)
  install(FILES ${PROJECT_BINARY_DIR}/package/${name}.pc DESTINATION ${ZAMRA_PC_DIR} COMPONENT development)
endfunction()
zamra_pkg_config(zamra-api "Shapefile and dBASE codecs, geometry and base services of Mapory"
  "Qt6Core Qt6Gui Qt6Widgets" "-lZamraApi -lZamraPlatform")
zamra_pkg_config(zamra-view "The map view control of Mapory"
  "zamra-api = ${PROJECT_VERSION}" "-lZamraView")
