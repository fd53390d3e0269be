# Removes what an install put in place, as listed in its manifest:
#   cmake --build build --target uninstall    (the files of the last `cmake --install build`)
#   cmake -D MANIFEST=FILE -P tools/uninstall.cmake
# Folders are left: they may hold other programs' files. The play folder is never touched.
if(NOT MANIFEST)
  message(FATAL_ERROR "MANIFEST names the install manifest to undo")
endif()
if(NOT EXISTS "${MANIFEST}")
  message(FATAL_ERROR "${MANIFEST} not found: nothing was installed from this build")
endif()
file(STRINGS "${MANIFEST}" files)
foreach(f IN LISTS files)
  set(f "$ENV{DESTDIR}${f}")
  if(EXISTS "${f}" OR IS_SYMLINK "${f}")
    message(STATUS "Removing ${f}")
    file(REMOVE "${f}")
  endif()
endforeach()
