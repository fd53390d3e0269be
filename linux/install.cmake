# Installing the Linux desktop game: the launcher, the game, its default data, the desktop entry,
# the icons and the package. Included from the top folder (the tests read the layout it sets).
# Every install rule is in one component, so a test can install into a temporary prefix with
# --component game and leave the player's install_manifest.txt as it was.
set(CMAKE_INSTALL_DEFAULT_COMPONENT_NAME game)
# Installation: the game, its default data, the launcher that prepares the play folder, the
# desktop entry and the icons. Two layouts: "gnu" for installs from source (launcher in bin/,
# where a ~/.local prefix finds it on the PATH) and "games", Debian's place for games, which
# the package uses.
include(GNUInstallDirs)
set(FROTHY_INSTALL_LAYOUT gnu CACHE STRING "Install layout: gnu or games")
set_property(CACHE FROTHY_INSTALL_LAYOUT PROPERTY STRINGS gnu games)
if(FROTHY_INSTALL_LAYOUT STREQUAL "games")
  set(FROTHY_LAUNCHER_DIR games)
  set(FROTHY_GAME_DIR lib/games/frothy)
  set(FROTHY_SHARE_DIR ${CMAKE_INSTALL_DATADIR}/games/frothy)
elseif(FROTHY_INSTALL_LAYOUT STREQUAL "gnu")
  set(FROTHY_LAUNCHER_DIR ${CMAKE_INSTALL_BINDIR})
  set(FROTHY_GAME_DIR ${CMAKE_INSTALL_LIBEXECDIR}/frothy)
  # Not share/frothy: with a ~/.local prefix that is the play folder itself, and an install or
  # an uninstall would replace or remove the player's record.
  set(FROTHY_SHARE_DIR ${CMAKE_INSTALL_DATADIR}/games/frothy)
else()
  message(FATAL_ERROR "FROTHY_INSTALL_LAYOUT must be gnu or games, not ${FROTHY_INSTALL_LAYOUT}")
endif()

# The installed launcher finds the game and the defaults relative to itself, so the prefix can
# be chosen at install time; the build's own launcher (tools/dev play) names them in the build.
file(RELATIVE_PATH launcher_to_binary /${FROTHY_LAUNCHER_DIR} /${FROTHY_GAME_DIR}/frothy)
file(RELATIVE_PATH launcher_to_data /${FROTHY_LAUNCHER_DIR} /${FROTHY_SHARE_DIR})
set(FROTHY_LAUNCH_BINARY "\"$here/${launcher_to_binary}\"")
set(FROTHY_LAUNCH_DATA "\"$here/${launcher_to_data}\"")
configure_file(${PROJECT_SOURCE_DIR}/tools/launcher.sh.in ${PROJECT_BINARY_DIR}/install/frothy @ONLY)
# Single quotes keep any build path literal.
string(REPLACE "'" "'\\''" FROTHY_LAUNCH_BINARY "${PROJECT_BINARY_DIR}/frothy")
set(FROTHY_LAUNCH_BINARY "'${FROTHY_LAUNCH_BINARY}'")
string(REPLACE "'" "'\\''" FROTHY_LAUNCH_DATA "${FROTHY_DATA_DIR}")
set(FROTHY_LAUNCH_DATA "'${FROTHY_LAUNCH_DATA}'")
configure_file(${PROJECT_SOURCE_DIR}/tools/launcher.sh.in ${PROJECT_BINARY_DIR}/frothy-launcher @ONLY
               FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
                                WORLD_READ WORLD_EXECUTE)
install(TARGETS frothy RUNTIME DESTINATION ${FROTHY_GAME_DIR})
install(PROGRAMS ${PROJECT_BINARY_DIR}/install/frothy DESTINATION ${FROTHY_LAUNCHER_DIR})
install(FILES ${FROTHY_DATA_DIR}/pic.bmp ${FROTHY_DATA_DIR}/snd1.wav ${FROTHY_DATA_DIR}/snd2.wav
              ${FROTHY_DATA_DIR}/snd3.wav ${FROTHY_DATA_DIR}/b_data.dat
        DESTINATION ${FROTHY_SHARE_DIR})
foreach(size ${FROTHY_DESKTOP_ICON_SIZES})
  install(FILES ${FROTHY_GENERATED_DIR}/frothy-${size}.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps RENAME frothy.png)
endforeach()
add_custom_target(uninstall
  COMMAND ${CMAKE_COMMAND} -D MANIFEST=${PROJECT_BINARY_DIR}/install_manifest.txt
          -P ${PROJECT_SOURCE_DIR}/tools/uninstall.cmake
  COMMENT "Removing the files of the last install from this build")
include(${PROJECT_SOURCE_DIR}/tools/dist/dist.cmake)
