# SDL2, SDL2_ttf (on FreeType) and SDL2_mixer as compiled for WebAssembly by
# tools/web/build-deps.sh, under the names the desktop build gets from pkg-config.
set(FROTHY_WEB_DEPS "${PROJECT_SOURCE_DIR}/build-web/deps" CACHE PATH
    "Prefix of the WebAssembly builds of SDL2, SDL2_ttf, FreeType and SDL2_mixer")
foreach(lib SDL2 SDL2_ttf SDL2_mixer freetype)
  if(NOT EXISTS "${FROTHY_WEB_DEPS}/lib/lib${lib}.a")
    message(FATAL_ERROR "${FROTHY_WEB_DEPS}/lib/lib${lib}.a missing: run tools/web/build-deps.sh")
  endif()
endforeach()
add_library(PkgConfig::SDL2 INTERFACE IMPORTED)
set_target_properties(PkgConfig::SDL2 PROPERTIES
  INTERFACE_INCLUDE_DIRECTORIES "${FROTHY_WEB_DEPS}/include;${FROTHY_WEB_DEPS}/include/SDL2"
  INTERFACE_LINK_LIBRARIES "${FROTHY_WEB_DEPS}/lib/libSDL2.a")
add_library(PkgConfig::SDL2_TTF INTERFACE IMPORTED)
set_target_properties(PkgConfig::SDL2_TTF PROPERTIES
  INTERFACE_INCLUDE_DIRECTORIES "${FROTHY_WEB_DEPS}/include;${FROTHY_WEB_DEPS}/include/SDL2"
  INTERFACE_LINK_LIBRARIES
    "${FROTHY_WEB_DEPS}/lib/libSDL2_ttf.a;${FROTHY_WEB_DEPS}/lib/libfreetype.a;PkgConfig::SDL2")
add_library(PkgConfig::FREETYPE INTERFACE IMPORTED)
set_target_properties(PkgConfig::FREETYPE PROPERTIES
  INTERFACE_INCLUDE_DIRECTORIES "${FROTHY_WEB_DEPS}/include/freetype2"
  INTERFACE_LINK_LIBRARIES "${FROTHY_WEB_DEPS}/lib/libfreetype.a")
add_library(PkgConfig::SDL2_MIXER INTERFACE IMPORTED)
set_target_properties(PkgConfig::SDL2_MIXER PROPERTIES
  INTERFACE_INCLUDE_DIRECTORIES "${FROTHY_WEB_DEPS}/include;${FROTHY_WEB_DEPS}/include/SDL2"
  INTERFACE_LINK_LIBRARIES "${FROTHY_WEB_DEPS}/lib/libSDL2_mixer.a;PkgConfig::SDL2")
# Where the desktop finds these headers in /usr/include, every target finds them here.
include_directories(SYSTEM "${FROTHY_WEB_DEPS}/include")
