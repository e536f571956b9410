# velmora: writes the menu entry when installing, with the installed command's absolute path in Exec
# and TryExec, and installs it. Run by `cmake --install` (and CPack), which set:
#   CMAKE_INSTALL_PREFIX     the prefix being installed to (without DESTDIR)
#   velmora_command          the command's path, relative to the prefix or absolute
#   velmora_entry_template   packaging/velmora.desktop.in
#   velmora_entry            the file to write, named after the desktop ID
#   velmora_applications     the menu entries' folder, relative to the prefix
if(IS_ABSOLUTE "${velmora_command}")
  set(tryexec "${velmora_command}")
else()
  set(tryexec "${CMAKE_INSTALL_PREFIX}/${velmora_command}")
endif()

# Exec is a command line: a path with a blank or another reserved character is quoted, with ", `, $
# and \ escaped inside the quotes, and % is written %% (a single % starts a field code).
string(REPLACE "%" "%%" exec "${tryexec}")
string(REGEX MATCH "[ \t'\"<>~|&;*?#()`$]" reserved "${exec}")
string(FIND "${exec}" "\\" backslash)
if(NOT reserved STREQUAL "" OR NOT backslash EQUAL -1)
  string(REPLACE "\\" "\\\\" exec "${exec}")
  string(REPLACE "\"" "\\\"" exec "${exec}")
  string(REPLACE "`" "\\`" exec "${exec}")
  string(REPLACE "$" "\\$" exec "${exec}")
  set(exec "\"${exec}\"")
endif()
# Both are string values as well, where a backslash is written twice.
string(REPLACE "\\" "\\\\" exec "${exec}")
string(REPLACE "\\" "\\\\" tryexec "${tryexec}")

file(READ "${velmora_entry_template}" text)
string(CONFIGURE "${text}" text @ONLY)
file(WRITE "${velmora_entry}" "${text}")
file(INSTALL DESTINATION "${CMAKE_INSTALL_PREFIX}/${velmora_applications}" TYPE FILE FILES "${velmora_entry}")
