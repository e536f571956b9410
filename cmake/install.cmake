# velmora: installation of the program, its pictures, its command and its manual, and the .deb package.
#
# Under the prefix (the GNU directory variables, so a packager can move any of them):
#   bin/velmora                          the command: a launcher script (cmake/velmora.in)
#   libexec/velmora/velmora              the program itself
#   share/velmora/data/rescales/*.ppm    its six pictures, which it reads from data/rescales/
#                                        under its working directory
#   share/man/man6/velmora.6             the manual page (gzipped in the .deb)
# The launcher finds the program and the pictures relative to its own resolved location, so
# the tree works under any prefix, staged with DESTDIR, and moved anywhere as a whole.
include(GNUInstallDirs)

# Directories 755 whatever the umask of whoever installs or packages.
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
  OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

set(VELMORA_PROGRAM_DIR ${CMAKE_INSTALL_LIBEXECDIR}/velmora)
set(VELMORA_DATA_DIR ${CMAKE_INSTALL_DATADIR}/velmora)
# Paths from the command's folder, as the launcher sees them.
file(RELATIVE_PATH VELMORA_BIN_TO_PROGRAM ${CMAKE_INSTALL_FULL_BINDIR} ${CMAKE_INSTALL_FULL_LIBEXECDIR}/velmora)
file(RELATIVE_PATH VELMORA_BIN_TO_DATA ${CMAKE_INSTALL_FULL_BINDIR} ${CMAKE_INSTALL_FULL_DATADIR}/velmora)
configure_file(${CMAKE_CURRENT_LIST_DIR}/velmora.in ${PROJECT_BINARY_DIR}/launcher/velmora @ONLY)

install(TARGETS velmora RUNTIME DESTINATION ${VELMORA_PROGRAM_DIR} COMPONENT velmora)
install(PROGRAMS ${PROJECT_BINARY_DIR}/launcher/velmora DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT velmora)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/data/rescales DESTINATION ${VELMORA_DATA_DIR}/data
  COMPONENT velmora FILES_MATCHING PATTERN "*.ppm")
install(FILES ${PROJECT_SOURCE_DIR}/man/velmora.6 DESTINATION ${CMAKE_INSTALL_MANDIR}/man6 COMPONENT velmora)

# The .deb: `cpack -G DEB` (or the `package` target) in the build folder. Only the velmora
# component goes in, whatever install rules other folders add.
set(VELMORA_PACKAGE_CONTACT "velmora developers <velmora@example.org>" CACHE STRING
  "Maintainer of the .deb package, as \"Name <address>\"")
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME velmora)
if(PROJECT_VERSION)
  set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
else()
  set(CPACK_PACKAGE_VERSION 0.1.0)
endif()
set(CPACK_PACKAGE_CONTACT "${VELMORA_PACKAGE_CONTACT}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "interactive 3-D viewer of nested gimbal rings")
set(CPACK_PACKAGE_DESCRIPTION [[velmora shows closed rings of square cross-section, each turning inside
the previous one on a pivot set with the mouse, around a spinning textured
dodecahedron. Keys and the pointer insert, delete, select and turn the rings
and orbit the camera. It draws with OpenGL 1.1, GLU and freeglut.]])
set(CPACK_INSTALL_CMAKE_PROJECTS "${PROJECT_BINARY_DIR};${PROJECT_NAME};velmora;/")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Debian installs manual pages compressed; plain `cmake --install` leaves them as they are.
set(VELMORA_DEB_SCRIPT ${PROJECT_BINARY_DIR}/launcher/compress-manual.cmake)
file(CONFIGURE OUTPUT ${VELMORA_DEB_SCRIPT} @ONLY CONTENT [=[
# Runs in CPack after staging: gzips the staged manual pages as Debian does (-9n: no name or time).
file(GLOB_RECURSE pages LIST_DIRECTORIES false "${CPACK_TEMPORARY_DIRECTORY}/*")
list(FILTER pages INCLUDE REGEX "/man/man[1-9]/[^/]+\\.[1-9]$")
foreach(page IN LISTS pages)
  execute_process(COMMAND gzip -9nf ${page} COMMAND_ERROR_IS_FATAL ANY)
endforeach()
]=])
set(CPACK_PRE_BUILD_SCRIPTS ${VELMORA_DEB_SCRIPT})
include(CPack)
