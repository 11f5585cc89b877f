# Release artifacts (scripts/package): a Debian package installing under /usr and a tarball of
# the same tree, ready to unpack and run; from the Windows build, a zip.
set(CPACK_PACKAGE_NAME oculon)
set(CPACK_PACKAGE_VENDOR "The oculon developers")
set(CPACK_PACKAGE_CONTACT "The oculon developers <oculon@example.org>")
# A package's synopsis begins with no article.
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "desktop toy: a head whose eyes follow the mouse pointer")
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/dist)

if(WIN32)
  # The install tree (data/CMakeLists.txt) zipped: unpacked anywhere, it runs.
  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_FILE_NAME oculon-${PROJECT_VERSION}-windows-x86_64)
else()
  set(CPACK_STRIP_FILES ON)

  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  # An X11 desktop toy, not a game, and laid out as on every distribution: its link in /usr/bin,
  # which every PATH has (the games section would want it in /usr/games, which Fedora's has not).
  set(CPACK_DEBIAN_PACKAGE_SECTION x11)
  set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
  set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://oculon.example.org/)
  set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "A borderless, always-on-top window showing a character's head, cut to the
outline of its picture, whose two eyes follow the mouse pointer anywhere on
the screen, also under the Wayland sessions of KDE Plasma and GNOME.
Double-click it to save its position and quit.")
  # The libraries the program links, as dpkg-shlibdeps finds them (none when it is static).
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)

  set(CPACK_GENERATOR "DEB;TGZ")
  # The package installs under /usr; the tarball holds the tree itself (bin/, libexec/, share/).
  set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_CURRENT_LIST_DIR}/PackagingPerGenerator.cmake)
endif()
include(CPack)
