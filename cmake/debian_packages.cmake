# Debian packages made with CPack from the install components (scripts/make-packages):
#   mapory        the program, the tools, the desktop entry, icon, file types, thumbnailer,
#                 AppStream metadata and documentation ("program")
#   libzamra0     libZamraPlatform, libZamraApi, libZamraView by their SONAMEs ("libraries")
#   libzamra-dev  headers, .so links, CMake package, pkg-config files ("development")
# Dependencies on Debian's libraries come from dpkg-shlibdeps; the three depend on each other at
# this exact version. Installed under /usr, where the desktop looks for entries and file types.
# SPDX-License-Identifier: MIT
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME mapory)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Mapory developers")
set(CPACK_PACKAGE_CONTACT "Mapory developers <maintainers@users.noreply.c-seed-38c882c3.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Desktop viewer for shapefiles")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_PACKAGE_DIRECTORY ${PROJECT_BINARY_DIR}/packages)

set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL program libraries development)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Our own libraries are found in the build tree while the program's dependencies are worked out;
# the program depends on libzamra0 below instead.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${CMAKE_LIBRARY_OUTPUT_DIRECTORY})
set(CPACK_DEBIAN_ENABLE_COMPONENT_DEPENDS ON)

set(CPACK_DEBIAN_PROGRAM_PACKAGE_NAME mapory)
set(CPACK_DEBIAN_PROGRAM_PACKAGE_SECTION science)
set(CPACK_COMPONENT_PROGRAM_DESCRIPTION "Desktop viewer for shapefiles
 Mapory shows shapefile layers (points, lines, polygons, also inside .zip archives) on a map,
 with their attribute tables, labels and styles, in English, Japanese and Chinese. File managers
 open shapefiles with it and show small maps of them as previews.")
set(CPACK_COMPONENT_PROGRAM_DEPENDS libraries)
# Glyphs for the Chinese and Japanese interface and labels; Qt's own dialogs in those languages.
set(CPACK_DEBIAN_PROGRAM_PACKAGE_RECOMMENDS "fonts-wqy-zenhei | fonts-noto-cjk, qt6-translations-l10n")

set(CPACK_DEBIAN_LIBRARIES_PACKAGE_NAME libzamra0)
set(CPACK_DEBIAN_LIBRARIES_PACKAGE_SECTION libs)
set(CPACK_COMPONENT_LIBRARIES_DESCRIPTION "Shapefile libraries and map view control of Mapory
 libZamraApi reads and writes shapefiles and dBASE tables and offers geometry, XML and base
 services; libZamraView is a Qt map view control that draws shapefile layers.")
# PROJ and libcurl are opened by name when first needed, so dpkg-shlibdeps does not see them:
# the packages that hold them here are named instead.
set(ZAMRA_OPENED_LIBRARY_PACKAGES "")
find_program(DPKG_QUERY_PROGRAM dpkg-query)
foreach(opened PROJ::proj CURL::libcurl)
  if(DPKG_QUERY_PROGRAM AND TARGET ${opened})
    get_target_property(opened_file ${opened} LOCATION)
    file(REAL_PATH "${opened_file}" opened_file)
    execute_process(COMMAND ${DPKG_QUERY_PROGRAM} -S "${opened_file}" OUTPUT_VARIABLE owner ERROR_QUIET
                    OUTPUT_STRIP_TRAILING_WHITESPACE)
    string(REGEX REPLACE ":.*" "" owner "${owner}")
    if(owner)
      list(APPEND ZAMRA_OPENED_LIBRARY_PACKAGES ${owner})
    endif()
  endif()
endforeach()
string(REPLACE ";" ", " CPACK_DEBIAN_LIBRARIES_PACKAGE_DEPENDS "${ZAMRA_OPENED_LIBRARY_PACKAGES}")
# A shlibs file, so that packages built against these libraries get their dependency on it.
set(CPACK_DEBIAN_LIBRARIES_PACKAGE_GENERATE_SHLIBS ON)

set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_NAME libzamra-dev)
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_SECTION libdevel)
set(CPACK_COMPONENT_DEVELOPMENT_DESCRIPTION "Development files of the Mapory libraries
 Headers, CMake package (find_package(Zamra COMPONENTS Api View)) and pkg-config files
 (zamra-api, zamra-view) for building programs on libZamraApi and libZamraView.")
set(CPACK_COMPONENT_DEVELOPMENT_DEPENDS libraries)
# The public headers and link interfaces name Qt's widgets.
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_DEPENDS "qt6-base-dev")

# Each package names the licences in its copyright file, where Debian looks for them.
file(READ ${PROJECT_SOURCE_DIR}/LICENSE ZAMRA_LICENSE_TEXT)
file(READ ${PROJECT_SOURCE_DIR}/THIRD-PARTY-NOTICES ZAMRA_NOTICES_TEXT)
file(WRITE ${PROJECT_BINARY_DIR}/package/copyright "${ZAMRA_LICENSE_TEXT}\n${ZAMRA_NOTICES_TEXT}")
foreach(component_package program:mapory libraries:libzamra0 development:libzamra-dev)
  string(REPLACE ":" ";" component_package ${component_package})
  list(GET component_package 0 component)
  list(GET component_package 1 package)
  install(FILES ${PROJECT_BINARY_DIR}/package/copyright DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/${package}
          COMPONENT ${component})
endforeach()

include(CPack)
