# The default data in a cross build (the browser's with emscripten, or another target's): the
# generators must run on the machine that builds, so they are built for it, not for the target.
# Unless FROTHY_HOST_DATA names a folder of the files (the data/ of a host build), this build
# configures and builds the generators itself with the host's compiler in host/ under its own
# folder, as part of the build (target frothy_host_data); the files are then in host/data/.
# Either way FROTHY_DATA_DIR names the folder, as in a host build, and FROTHY_HOST_GENERATED
# the generated/ beside it (the icons as PNG files).
set(FROTHY_HOST_DATA "" CACHE PATH
    "Folder of pic.bmp, snd1-3.wav and b_data.dat from a host build (empty: build them here)")
set(FROTHY_HOST_CXX c++ CACHE STRING "The host's C++ compiler, for the data generators")
set(frothy_data_files pic.bmp snd1.wav snd2.wav snd3.wav b_data.dat)
if(FROTHY_HOST_DATA)
  foreach(f ${frothy_data_files})
    if(NOT EXISTS "${FROTHY_HOST_DATA}/${f}")
      message(FATAL_ERROR "FROTHY_HOST_DATA: ${FROTHY_HOST_DATA}/${f} missing")
    endif()
  endforeach()
  set(FROTHY_DATA_DIR ${FROTHY_HOST_DATA})
  get_filename_component(FROTHY_HOST_GENERATED ${FROTHY_HOST_DATA}/../generated ABSOLUTE)
  add_custom_target(frothy_host_data)
else()
  include(ExternalProject)
  set(FROTHY_DATA_DIR ${PROJECT_BINARY_DIR}/host/data)
  set(FROTHY_HOST_GENERATED ${PROJECT_BINARY_DIR}/host/generated)
  set(host_files ${frothy_data_files})
  list(TRANSFORM host_files PREPEND ${FROTHY_DATA_DIR}/)
  foreach(size 32 48 128 256)
    list(APPEND host_files ${FROTHY_HOST_GENERATED}/frothy-${size}.png)
  endforeach()
  # The whole project configured for the host with nothing but the game's own options, of
  # which only the generators are built; BUILD_ALWAYS lets a changed generator remake the data.
  ExternalProject_Add(frothy_host_data
    SOURCE_DIR ${PROJECT_SOURCE_DIR}
    BINARY_DIR ${PROJECT_BINARY_DIR}/host
    PREFIX ${PROJECT_BINARY_DIR}/host-steps
    CMAKE_ARGS -DCMAKE_CXX_COMPILER=${FROTHY_HOST_CXX} -DCMAKE_BUILD_TYPE=RelWithDebInfo
               -DFROTHY_BUILD_TESTS=OFF -DFROTHY_BUILD_BENCH=OFF -DFROTHY_FUZZ=OFF
               -DFROTHY_SANITIZE=OFF -DFROTHY_WERROR=OFF -DFROTHY_FONT=${FROTHY_FONT}
    BUILD_COMMAND ${CMAKE_COMMAND} --build <BINARY_DIR> --target frothy_data
    BUILD_ALWAYS TRUE
    BUILD_BYPRODUCTS ${host_files}
    INSTALL_COMMAND "")
endif()
