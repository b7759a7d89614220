# cmake --install to a prefix, and the package built from it, follow the GNU layout:
#   bin/sampora
#   share/sampora/            pixmaps/, help.html, demo-samples/ and the demo config.xml
#                             that seeds a new user's library
#   share/applications/       the desktop entry
#   share/metainfo/           the AppStream description
#   share/icons/hicolor/NxN/apps/sampora.png
#   share/man/man1/sampora.1.gz
include(GNUInstallDirs)
set(SAMPORA_INSTALL_DATADIR ${CMAKE_INSTALL_DATADIR}/sampora)

install(TARGETS sampora RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${SAMPORA_PIXMAPS} DESTINATION ${SAMPORA_INSTALL_DATADIR}/pixmaps)
install(FILES help.html DESTINATION ${SAMPORA_INSTALL_DATADIR})
install(FILES ${SAMPORA_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${SAMPORA_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

# The icon is drawn at each size by the pixmap tool rather than scaled from one picture.
set(SAMPORA_ICON_DIR ${CMAKE_BINARY_DIR}/icons)
set(SAMPORA_ICON_SIZES 16 24 32 48 64 128 256)
set(SAMPORA_ICONS)
foreach(size ${SAMPORA_ICON_SIZES})
  list(APPEND SAMPORA_ICONS ${SAMPORA_ICON_DIR}/${size}x${size}/apps/sampora.png)
endforeach()
add_custom_command(OUTPUT ${SAMPORA_ICONS}
  COMMAND ${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen
          $<TARGET_FILE:sampora_pixmaps> --icons ${SAMPORA_ICON_DIR} ${SAMPORA_ICON_SIZES}
  DEPENDS sampora_pixmaps
  VERBATIM)
set(SAMPORA_MAN_PAGE ${CMAKE_CURRENT_BINARY_DIR}/sampora.1.gz)
add_custom_command(OUTPUT ${SAMPORA_MAN_PAGE}
  COMMAND gzip -9n -c ${CMAKE_CURRENT_SOURCE_DIR}/sampora.1 > ${SAMPORA_MAN_PAGE}
  DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/sampora.1
  VERBATIM)
add_custom_target(sampora_install_files ALL DEPENDS ${SAMPORA_ICONS} ${SAMPORA_MAN_PAGE})
install(DIRECTORY ${SAMPORA_ICON_DIR}/ DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor)
install(FILES ${SAMPORA_MAN_PAGE} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

# The demo library as the run folder holds it, with a config.xml of its own: the run
# folder's config.xml is the developer's library, not the demo's.
install(DIRECTORY ${SAMPORA_RUN_DIR}/demo-samples DESTINATION ${SAMPORA_INSTALL_DATADIR})
install(CODE "execute_process(COMMAND $<TARGET_FILE:sampora_demo>
  \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${SAMPORA_INSTALL_DATADIR}\" COMMAND_ERROR_IS_FATAL ANY)")

# cpack -G DEB: the library packages come from dpkg-shlibdeps; libvlc needs its plugins and
# Qt its window-system plugin to show anything, which no library link reveals.
set(CPACK_PACKAGE_NAME sampora)
set(CPACK_PACKAGE_VENDOR "The Sampora developers")
# No address is made up: a distributor names who answers for the package, with their mail.
set(SAMPORA_PACKAGE_CONTACT "The Sampora developers" CACHE STRING
    "Maintainer of the .deb, e.g. \"Jane Doe <jane@example.org>\"")
set(CPACK_PACKAGE_CONTACT "${SAMPORA_PACKAGE_CONTACT}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "sample mixer that tempo-matches loops from your library")
set(CPACK_PACKAGE_DESCRIPTION "Sampora plays random loops of three sample types from the genre playlist\n you pick, reads each loop's tempo from its file name and bends the play rates\n so the tempos meet, and saves the mix you like as a project folder.")
set(CPACK_PACKAGE_INSTALL_DIRECTORY sampora)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "vlc-plugin-base, qt6-qpa-plugins")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "vlc-plugin-fluidsynth, timgm6mb-soundfont | fluid-soundfont-gm, qt6-translations-l10n")
include(CPack)
