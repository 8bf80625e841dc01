# Desktop install and the Debian package.
#
# The program reads its pictures (icon/) and sounds (SE/) from the folder of
# its executable, so the executable, the audio module and both folders go
# side by side into <prefix>/lib/kobanto; <prefix>/bin/kobanto is a relative
# symlink to it (the program finds its real folder through /proc/self/exe).
# The menu entry and the icon go where desktops look for them.
#
#   cmake --install build --prefix ~/.local     # or /usr/local (as root)
#   cd build && cpack -G DEB                    # kobanto_<version>_<arch>.deb

set(KOBANTO_APP_DIR lib/kobanto)

install(TARGETS kobanto RUNTIME DESTINATION ${KOBANTO_APP_DIR})
install(TARGETS kobanto_audio LIBRARY DESTINATION ${KOBANTO_APP_DIR})
install(DIRECTORY ${CMAKE_SOURCE_DIR}/icon ${CMAKE_SOURCE_DIR}/SE DESTINATION ${KOBANTO_APP_DIR})

file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/install-link)
file(CREATE_LINK ../${KOBANTO_APP_DIR}/kobanto ${CMAKE_BINARY_DIR}/install-link/kobanto SYMBOLIC)
install(FILES ${CMAKE_BINARY_DIR}/install-link/kobanto DESTINATION bin)

install(FILES ${CMAKE_SOURCE_DIR}/dist/kobanto.desktop DESTINATION share/applications)
install(FILES ${CMAKE_SOURCE_DIR}/shell/res/kobanto.png DESTINATION share/icons/hicolor/64x64/apps)

# ---- Debian package (cpack -G DEB) ----
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kobanto)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Reversi game with a Japanese user interface")
set(CPACK_PACKAGE_DESCRIPTION
    "Kobanto is a Reversi game for the desktop with a Japanese user interface: two players at one machine, one player against the computer at three levels, or two machines over one TCP connection with chat.")
set(CPACK_PACKAGE_CONTACT "Kobanto developers <kobanto@example.org>")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The X11 platform plugin (no library pulls it in) and the Japanese font the
# windows are drawn with; dpkg-shlibdeps, when at hand, adds the libraries
# the executable and the audio module link, otherwise they are named here.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins (>= 6.4), fonts-ipafont-gothic")
find_program(KOBANTO_DPKG_SHLIBDEPS dpkg-shlibdeps)
if(KOBANTO_DPKG_SHLIBDEPS)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
else()
  string(PREPEND CPACK_DEBIAN_PACKAGE_DEPENDS
         "libqt6core6 (>= 6.4), libqt6gui6 (>= 6.4), libqt6widgets6 (>= 6.4), libqt6network6 (>= 6.4), libqt6multimedia6 (>= 6.4), ")
endif()
include(CPack)
