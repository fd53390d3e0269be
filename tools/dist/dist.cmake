# What a desktop and a distribution expect besides the game: the AppStream metainfo, the manual
# page, the copyright and changelog, and CPack's Debian package (tools/dev package). Included
# from the top-level CMakeLists.txt after the install layout is chosen.

# The release these files describe; a fixed date keeps the package the same from build to build.
set(FROTHY_RELEASE_DATE 2026-12-08)
set(FROTHY_RELEASE_DATE_RFC "Tue, 08 Dec 2026 12:00:00 +0000")
set(FROTHY_MAINTAINER "The FROTHY! developers <frothy@example.org>" CACHE STRING
    "Maintainer named in the Debian package and its changelog")
set(FROTHY_APP_ID io.github.frothy.Frothy)

# The manual page names the installed paths, so it follows the layout and the prefix.
set(FROTHY_FILES_LAUNCHER ${CMAKE_INSTALL_PREFIX}/${FROTHY_LAUNCHER_DIR}/frothy)
set(FROTHY_FILES_GAME ${CMAKE_INSTALL_PREFIX}/${FROTHY_GAME_DIR}/frothy)
set(FROTHY_FILES_SHARE ${CMAKE_INSTALL_PREFIX}/${FROTHY_SHARE_DIR})

set(dist ${PROJECT_BINARY_DIR}/dist)
configure_file(${CMAKE_CURRENT_LIST_DIR}/${FROTHY_APP_ID}.metainfo.xml
               ${dist}/${FROTHY_APP_ID}.metainfo.xml @ONLY)
configure_file(${CMAKE_CURRENT_LIST_DIR}/frothy.6.in ${dist}/frothy.6 @ONLY)
configure_file(${CMAKE_CURRENT_LIST_DIR}/changelog ${dist}/changelog @ONLY)
# Compressed without names or times in the headers, so the same sources give the same bytes.
add_custom_command(
  OUTPUT ${dist}/frothy.6.gz ${dist}/changelog.gz
  COMMAND gzip -9nkf ${dist}/frothy.6 ${dist}/changelog
  DEPENDS ${dist}/frothy.6 ${dist}/changelog
  COMMENT "Compressing the manual page and the changelog")
add_custom_target(frothy_dist ALL DEPENDS ${dist}/frothy.6.gz ${dist}/changelog.gz)

install(FILES ${CMAKE_CURRENT_LIST_DIR}/${FROTHY_APP_ID}.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${dist}/${FROTHY_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${dist}/frothy.6.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man6)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/copyright ${dist}/changelog.gz
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/frothy)

# The package: everything above, installed under /usr (tools/package.sh configures the "games"
# layout). Depends are read from the game's shared libraries, plus the font it opens.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME frothy)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT ${FROTHY_MAINTAINER})
set(CPACK_PACKAGE_VENDOR "The FROTHY! developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "merge fifty drifting bubbles into one, against the clock")
# Lines of the long description stay under 80 columns, as Debian's tools show them unwrapped.
set(CPACK_PACKAGE_DESCRIPTION
    "Fifty bubbles drift and bounce on a black square. Click where they
overlap to merge them into one bubble with their combined area, and get
down to a single bubble as fast as you can. The clock starts with the
first merge. Five speed levels are offered, and the ten best times of
each are kept in the player's own play folder.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ
    GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://github.com/frothy/frothy)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS fonts-dejavu-extra)
# The error box draws its texts, Japanese among them, with the X server's core fonts.
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "xfonts-base, xfonts-intl-japanese")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
