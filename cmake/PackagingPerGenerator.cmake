# Read by CPack for each generator in turn.
if(CPACK_GENERATOR STREQUAL "DEB")
  set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
else()
  set(CPACK_PACKAGING_INSTALL_PREFIX /)
  set(CPACK_PACKAGE_FILE_NAME "oculon-${CPACK_PACKAGE_VERSION}-linux-x86_64")
endif()
# A package's desktop entry names the program as it is on the PATH, not by the staging folder
# CPack installs into (data/desktop_entry.cmake, run in this process).
set(ENV{OCULON_DESKTOP_EXEC_BY_NAME} 1)
