# velmora: installation of the program, its pictures, its command, its manual, its place in the
# desktop's menu, and the .deb package.
#
# velmora is a program to look at and play with, with nothing of the user's to open or save: in
# Debian's terms a game (its manual is in section 6), so its command and its data take the games
# paths. Under the prefix (each folder a cache variable, so a packager can move any of them):
#   games/velmora                              the command: a launcher script (cmake/velmora.in)
#   libexec/velmora/velmora                    the program itself, which is not meant to be run directly
#   share/games/velmora/data/rescales/*.ppm    its six pictures, which it reads from data/rescales/
#                                              under its working directory
#   share/man/man6/velmora.6                   the manual page (gzipped in the .deb)
#   share/applications/ID.desktop              the menu entry, which starts the command full screen
#   share/icons/hicolor/NxN/apps/velmora.png   the menu's icon, drawn at build time (tools/mkicon)
#   share/metainfo/ID.metainfo.xml             the software centre's entry
#   share/doc/velmora/copyright, changelog     (the changelog gzipped in the .deb)
# The launcher finds the program and the pictures relative to its own resolved location, so the
# tree works under any prefix, staged with DESTDIR, and moved anywhere as a whole. The menu entry
# names the command by its absolute path, written when installing.
include(GNUInstallDirs)

set(VELMORA_INSTALL_GAMESDIR games CACHE STRING "Folder of the velmora command, under the prefix")
set(VELMORA_INSTALL_GAMESDATADIR ${CMAKE_INSTALL_DATADIR}/games CACHE STRING
  "Folder that holds velmora's folder of pictures, under the prefix")
# What identifies the project on the web and in software centres. It has no web address of its own
# yet: both are placeholders in the reserved example.org domain, as the packaging contact is. Set
# them together once it has one, and publish docs/mode13.png, mode8.png and mode6.png under
# ADDRESS/screenshots/, where the software centre's entry says they are.
set(VELMORA_WEB_ADDRESS "https://velmora.example.org" CACHE STRING
  "The project's web address (no trailing slash): the software centre's home page and screenshots")
set(VELMORA_APP_ID "org.example.velmora" CACHE STRING
  "Desktop and software-centre ID: the web address's domain reversed, then velmora")

# Directories 755, less what the installer's umask takes away: CMake creates them under it.
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
  OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

set(VELMORA_PROGRAM_DIR ${CMAKE_INSTALL_LIBEXECDIR}/velmora)
set(VELMORA_DATA_DIR ${VELMORA_INSTALL_GAMESDATADIR}/velmora)
foreach(dir GAMESDIR GAMESDATADIR)
  if(IS_ABSOLUTE "${VELMORA_INSTALL_${dir}}")
    set(VELMORA_INSTALL_FULL_${dir} "${VELMORA_INSTALL_${dir}}")
  else()
    set(VELMORA_INSTALL_FULL_${dir} "${CMAKE_INSTALL_PREFIX}/${VELMORA_INSTALL_${dir}}")
  endif()
endforeach()
# Paths from the command's folder, as the launcher sees them.
file(RELATIVE_PATH VELMORA_BIN_TO_PROGRAM ${VELMORA_INSTALL_FULL_GAMESDIR} ${CMAKE_INSTALL_FULL_LIBEXECDIR}/velmora)
file(RELATIVE_PATH VELMORA_BIN_TO_DATA ${VELMORA_INSTALL_FULL_GAMESDIR} ${VELMORA_INSTALL_FULL_GAMESDATADIR}/velmora)
configure_file(${CMAKE_CURRENT_LIST_DIR}/velmora.in ${PROJECT_BINARY_DIR}/launcher/velmora @ONLY)

install(TARGETS velmora RUNTIME DESTINATION ${VELMORA_PROGRAM_DIR} COMPONENT velmora)
install(PROGRAMS ${PROJECT_BINARY_DIR}/launcher/velmora DESTINATION ${VELMORA_INSTALL_GAMESDIR} COMPONENT velmora)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/data/rescales DESTINATION ${VELMORA_DATA_DIR}/data
  COMPONENT velmora FILES_MATCHING PATTERN "*.ppm")
install(FILES ${PROJECT_SOURCE_DIR}/man/velmora.6 DESTINATION ${CMAKE_INSTALL_MANDIR}/man6 COMPONENT velmora)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/copyright ${PROJECT_SOURCE_DIR}/packaging/changelog
  DESTINATION ${CMAKE_INSTALL_DOCDIR} COMPONENT velmora)

# The changelog's newest entry is the version being built; its date is the release's.
set(changelog ${PROJECT_SOURCE_DIR}/packaging/changelog)
file(STRINGS ${changelog} newest LIMIT_COUNT 1)
if(NOT newest MATCHES "^velmora \\(${PROJECT_VERSION}\\) ")
  message(FATAL_ERROR "packaging/changelog: the newest entry is not for version ${PROJECT_VERSION}: ${newest}")
endif()
file(STRINGS ${changelog} signed REGEX "^ -- .+>  " LIMIT_COUNT 1)
if(NOT signed MATCHES ">  [A-Z][a-z][a-z], ([0-9][0-9]) ([A-Z][a-z][a-z]) ([0-9][0-9][0-9][0-9]) ")
  message(FATAL_ERROR "packaging/changelog: no date on the newest entry's last line: ${signed}")
endif()
set(day ${CMAKE_MATCH_1})
set(year ${CMAKE_MATCH_3})
set(months Jan Feb Mar Apr May Jun Jul Aug Sep Oct Nov Dec)
list(FIND months ${CMAKE_MATCH_2} month)
if(month EQUAL -1)
  message(FATAL_ERROR "packaging/changelog: no such month: ${CMAKE_MATCH_2}")
endif()
math(EXPR month "${month} + 1")
if(month LESS 10)
  set(month 0${month})
endif()
set(VELMORA_RELEASE_DATE "${year}-${month}-${day}")

# The menu entry, the icon and the software centre's entry, for the freedesktop.org desktops.
# Written at install time, when the prefix (cmake --install --prefix) is known.
install(CODE "
  set(velmora_command \"${VELMORA_INSTALL_GAMESDIR}/velmora\")
  set(velmora_entry_template \"${PROJECT_SOURCE_DIR}/packaging/velmora.desktop.in\")
  set(velmora_entry \"${PROJECT_BINARY_DIR}/desktop/${VELMORA_APP_ID}.desktop\")
  set(velmora_applications \"${CMAKE_INSTALL_DATADIR}/applications\")
  include(\"${CMAKE_CURRENT_LIST_DIR}/desktop-entry.cmake\")" COMPONENT velmora)
install(DIRECTORY ${PROJECT_BINARY_DIR}/icons/hicolor DESTINATION ${CMAKE_INSTALL_DATADIR}/icons COMPONENT velmora)
string(REGEX REPLACE "\\.[^.]+$" "" VELMORA_DEVELOPER_ID ${VELMORA_APP_ID})
configure_file(${PROJECT_SOURCE_DIR}/packaging/velmora.metainfo.xml.in
  ${PROJECT_BINARY_DIR}/desktop/${VELMORA_APP_ID}.metainfo.xml @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/desktop/${VELMORA_APP_ID}.metainfo.xml
  DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo COMPONENT velmora)

# The .deb: `cpack -G DEB` (or the `package` target) in the build folder; scripts/package.sh deb
# makes it from a build of its own. Only the velmora component goes in, whatever install rules
# other folders add.
set(VELMORA_PACKAGE_CONTACT "velmora developers <velmora@example.org>" CACHE STRING
  "Maintainer of the .deb package, as \"Name <address>\"")
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME velmora)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "${VELMORA_PACKAGE_CONTACT}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "interactive 3-D viewer of nested gimbal rings")
set(CPACK_PACKAGE_DESCRIPTION [[velmora shows closed rings of square cross-section, each turning inside
the previous one on a pivot set with the mouse, around a spinning textured
dodecahedron. Keys and the pointer insert, delete, select and turn the rings
and orbit the camera. It draws with OpenGL 1.1, GLU and freeglut.]])
set(CPACK_INSTALL_CMAKE_PROJECTS "${PROJECT_BINARY_DIR};${PROJECT_NAME};velmora;/")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# After staging, the tree is made as Debian's own tools would make it: the manual pages and the
# changelog gzipped (-9n: no name or time in the header), the program stripped of its symbols and
# of the compiler's notes (.comment, .note), as dh_strip does. Plain `cmake --install` leaves them
# as they are. CPack's own stripping would keep those two sections.
set(VELMORA_DEB_SCRIPT ${PROJECT_BINARY_DIR}/launcher/debian-tree.cmake)
file(CONFIGURE OUTPUT ${VELMORA_DEB_SCRIPT} @ONLY CONTENT [=[
set(root "${CPACK_TEMPORARY_DIRECTORY}${CPACK_PACKAGING_INSTALL_PREFIX}")
file(GLOB_RECURSE pages LIST_DIRECTORIES false "${root}/*")
list(FILTER pages INCLUDE REGEX "/man/man[1-9]/[^/]+\\.[1-9]$|/doc/velmora/changelog$")
foreach(page IN LISTS pages)
  execute_process(COMMAND gzip -9nf ${page} COMMAND_ERROR_IS_FATAL ANY)
endforeach()
execute_process(COMMAND "@CMAKE_STRIP@" --remove-section=.comment --remove-section=.note
  "${root}/@VELMORA_PROGRAM_DIR@/velmora" COMMAND_ERROR_IS_FATAL ANY)
]=])
set(CPACK_PRE_BUILD_SCRIPTS ${VELMORA_DEB_SCRIPT})
include(CPack)
