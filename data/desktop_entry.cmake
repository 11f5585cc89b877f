# Writes the desktop entry at install time, when the prefix is known. Exec names the program by
# its full path, so that it starts whether or not the prefix's bin folder is on the session's
# PATH, quoted as desktop entries quote when the path holds anything but plain characters. A
# system install (/usr) and the packages name it by its name on the PATH.
set(program "${CMAKE_INSTALL_PREFIX}/${OCULON_BINDIR}/oculon")
if(CMAKE_INSTALL_PREFIX STREQUAL "/usr" OR DEFINED ENV{OCULON_DESKTOP_EXEC_BY_NAME})
  set(program oculon)
elseif(program MATCHES "[^A-Za-z0-9_./+-]")
  string(REPLACE "\\" "\\\\" program "${program}")
  string(REPLACE "\"" "\\\"" program "${program}")
  string(REPLACE "`" "\\`" program "${program}")
  string(REPLACE "$" "\\$" program "${program}")
  # The quoted argument is then written as a string value, whose own escape is the backslash.
  string(REPLACE "\\" "\\\\" program "\"${program}\"")
endif()
string(REPLACE "%" "%%" OCULON_DESKTOP_EXEC "${program}")
configure_file("${OCULON_DESKTOP_IN}" "${OCULON_DESKTOP_OUT}" @ONLY)
