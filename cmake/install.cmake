# Desktop install and the Debian package.
#
# Laid out the way Debian lays out games, in any prefix:
#   lib/games/kobanto/    the executable and the audio module it loads from its
#                         own folder, with icon/ and SE/ as links into
#                         share/games/kobanto (the program reads its pictures
#                         and sounds from the folder of its executable)
#   share/games/kobanto/  the pictures and sounds
#   games/kobanto         a relative link to the executable (the program finds
#                         its real folder through /proc/self/exe)
# plus the desktop entry with its launcher actions, the AppStream metadata,
# the hicolor icons, the manual pages and, under share/doc/kobanto, the
# copyright file and the changelog.  The desktop entry starts the program by
# its absolute path, so the menu works whether or not <prefix>/games is on
# the PATH (~/.local/games is not).
#
#   cmake --install build --prefix ~/.local     # or /usr/local (as root)
#   cd build && cpack -G DEB                    # kobanto_<version>_<arch>.deb

set(KOBANTO_APP_ID io.github.kobanto.Kobanto)
set(KOBANTO_APP_DIR lib/games/kobanto)
set(KOBANTO_DATA_DIR share/games/kobanto)

install(TARGETS kobanto RUNTIME DESTINATION ${KOBANTO_APP_DIR})
install(TARGETS kobanto_audio LIBRARY DESTINATION ${KOBANTO_APP_DIR} NAMELINK_SKIP)
install(DIRECTORY ${CMAKE_SOURCE_DIR}/icon ${CMAKE_SOURCE_DIR}/SE DESTINATION ${KOBANTO_DATA_DIR})

set(_links ${CMAKE_BINARY_DIR}/install-links)
file(MAKE_DIRECTORY ${_links}/games ${_links}/app)
file(CREATE_LINK ../${KOBANTO_APP_DIR}/kobanto ${_links}/games/kobanto SYMBOLIC)
foreach(dir icon SE)
  file(CREATE_LINK ../../../${KOBANTO_DATA_DIR}/${dir} ${_links}/app/${dir} SYMBOLIC)
endforeach()
install(FILES ${_links}/games/kobanto DESTINATION games)
install(FILES ${_links}/app/icon ${_links}/app/SE DESTINATION ${KOBANTO_APP_DIR})

# The desktop entry names the executable where this install put it.
install(CODE "set(_kobanto_desktop_in \"${CMAKE_SOURCE_DIR}/dist/${KOBANTO_APP_ID}.desktop.in\")
set(_kobanto_desktop \"${CMAKE_BINARY_DIR}/install-desktop/${KOBANTO_APP_ID}.desktop\")")
install(CODE [=[
set(KOBANTO_EXEC "${CMAKE_INSTALL_PREFIX}/games/kobanto")
if(KOBANTO_EXEC MATCHES "[^A-Za-z0-9/._+-]")
  # A quoted argument: \ " ` $ escaped for the argument, then every
  # backslash once more for the string value; % doubled for field codes.
  foreach(c [[\]] [["]] [[`]] [[$]])
    string(REPLACE "${c}" "\\${c}" KOBANTO_EXEC "${KOBANTO_EXEC}")
  endforeach()
  string(REPLACE [[\]] [[\\]] KOBANTO_EXEC "${KOBANTO_EXEC}")
  string(REPLACE "%" "%%" KOBANTO_EXEC "${KOBANTO_EXEC}")
  set(KOBANTO_EXEC "\"${KOBANTO_EXEC}\"")
endif()
configure_file("${_kobanto_desktop_in}" "${_kobanto_desktop}" @ONLY)
file(INSTALL "${_kobanto_desktop}" DESTINATION "${CMAKE_INSTALL_PREFIX}/share/applications")
]=])
# An earlier install put the program in lib/kobanto with bin/kobanto and
# kobanto.desktop: take that away, or the menu would show the game twice.
install(CODE [=[
set(_old "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}")
if(IS_SYMLINK "${_old}/bin/kobanto")
  file(READ_SYMLINK "${_old}/bin/kobanto" _target)
  if(_target STREQUAL "../lib/kobanto/kobanto")
    message(STATUS "Removing the earlier install: ${_old}/bin/kobanto, lib/kobanto, kobanto.desktop")
    file(REMOVE "${_old}/bin/kobanto" "${_old}/share/applications/kobanto.desktop")
    file(REMOVE_RECURSE "${_old}/lib/kobanto")
  endif()
endif()
]=])
install(FILES ${CMAKE_SOURCE_DIR}/dist/${KOBANTO_APP_ID}.metainfo.xml DESTINATION share/metainfo)
install(DIRECTORY ${CMAKE_SOURCE_DIR}/dist/icons DESTINATION share)

# Manual pages and the changelog go compressed, without a time stamp.
set(_gz ${CMAKE_BINARY_DIR}/install-gz)
set(_gz_files)
foreach(pair "kobanto.6|man6/kobanto.6" "kobanto.ja.6|ja/man6/kobanto.6" "changelog|doc/changelog")
  string(REPLACE "|" ";" pair "${pair}")
  list(GET pair 0 src)
  list(GET pair 1 dst)
  add_custom_command(OUTPUT ${_gz}/${dst}.gz
    COMMAND ${CMAKE_COMMAND} -E copy ${CMAKE_SOURCE_DIR}/dist/${src} ${_gz}/${dst}
    COMMAND gzip -9nf ${_gz}/${dst}
    DEPENDS ${CMAKE_SOURCE_DIR}/dist/${src} VERBATIM)
  list(APPEND _gz_files ${_gz}/${dst}.gz)
endforeach()
add_custom_target(kobanto_docs ALL DEPENDS ${_gz_files})
install(FILES ${_gz}/man6/kobanto.6.gz DESTINATION share/man/man6)
install(FILES ${_gz}/ja/man6/kobanto.6.gz DESTINATION share/man/ja/man6)
install(FILES ${_gz}/doc/changelog.gz ${CMAKE_SOURCE_DIR}/dist/copyright DESTINATION share/doc/kobanto)

# ---- Debian package (cpack -G DEB) ----
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kobanto)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Reversi game with a Japanese user interface")
# Lines of the long description stay under 80 columns.
set(CPACK_PACKAGE_DESCRIPTION "Kobanto is a Reversi game for the desktop with a Japanese user interface:
two players at one machine, one player against the computer at three
levels, or two machines over one TCP connection with chat.")
set(CPACK_PACKAGE_CONTACT "Kobanto developers <kobanto@example.org>")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
# Install with DESTDIR, so that the desktop entry names /usr/games/kobanto
# rather than the staging folder.
set(CPACK_SET_DESTDIR ON)
set(CPACK_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The audio module is private to the program: no shlibs file and no
# ldconfig trigger.
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS OFF)
# The X11 platform plugin (no library pulls it in) and the Japanese font the
# windows are drawn with; dpkg-shlibdeps, when at hand, adds the libraries
# the executable and the audio module link, otherwise they are named here.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins (>= 6.4), fonts-ipafont-gothic")
find_program(KOBANTO_DPKG_SHLIBDEPS dpkg-shlibdeps)
if(KOBANTO_DPKG_SHLIBDEPS)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
else()
  string(PREPEND CPACK_DEBIAN_PACKAGE_DEPENDS
         "libqt6core6 (>= 6.4), libqt6gui6 (>= 6.4), libqt6widgets6 (>= 6.4), "
         "libqt6network6 (>= 6.4), libqt6multimedia6 (>= 6.4), libqt6concurrent6 (>= 6.4), libminiupnpc17, ")
endif()
include(CPack)
