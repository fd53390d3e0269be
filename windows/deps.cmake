# SDL2, SDL2_ttf (on FreeType) and SDL2_mixer as cross-built for Windows by
# `tools/deps/build-deps.sh windows`, static, under the names the desktop build gets from
# pkg-config.
set(FROTHY_WINDOWS_DEPS "" CACHE PATH
    "Prefix of the Windows builds of SDL2, SDL2_ttf, FreeType and SDL2_mixer (build-deps.sh prints it)")
if(NOT EXISTS "${FROTHY_WINDOWS_DEPS}/.complete")
  message(FATAL_ERROR "FROTHY_WINDOWS_DEPS must name a finished prefix of "
                      "tools/deps/build-deps.sh windows, not '${FROTHY_WINDOWS_DEPS}'")
endif()
list(APPEND CMAKE_FIND_ROOT_PATH "${FROTHY_WINDOWS_DEPS}")
list(APPEND CMAKE_PREFIX_PATH "${FROTHY_WINDOWS_DEPS}")
find_package(SDL2 CONFIG REQUIRED)
find_package(SDL2_ttf CONFIG REQUIRED)
find_package(SDL2_mixer CONFIG REQUIRED)
find_package(freetype CONFIG REQUIRED)
add_library(PkgConfig::SDL2 INTERFACE IMPORTED)
target_link_libraries(PkgConfig::SDL2 INTERFACE SDL2::SDL2-static)
add_library(PkgConfig::SDL2_TTF INTERFACE IMPORTED)
target_link_libraries(PkgConfig::SDL2_TTF INTERFACE SDL2_ttf::SDL2_ttf-static SDL2::SDL2-static)
add_library(PkgConfig::FREETYPE INTERFACE IMPORTED)
target_link_libraries(PkgConfig::FREETYPE INTERFACE freetype)
add_library(PkgConfig::SDL2_MIXER INTERFACE IMPORTED)
target_link_libraries(PkgConfig::SDL2_MIXER INTERFACE SDL2_mixer::SDL2_mixer-static
                                                    SDL2::SDL2-static)
# Where the desktop finds these headers in /usr/include, every target finds them here.
include_directories(SYSTEM "${FROTHY_WINDOWS_DEPS}/include")
