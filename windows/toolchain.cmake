# Cross-building for 64-bit Windows with Debian's MinGW-w64 (g++-mingw-w64-x86-64), the POSIX
# threads flavour: its C++ runtime has std::thread and std::mutex. The runtimes (libgcc,
# libstdc++, winpthread) are linked into the program, so it runs on a Windows with nothing
# installed.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(FROTHY_MINGW x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${FROTHY_MINGW}-gcc-posix)
set(CMAKE_CXX_COMPILER ${FROTHY_MINGW}-g++-posix)
set(CMAKE_RC_COMPILER ${FROTHY_MINGW}-windres)
set(CMAKE_AR ${FROTHY_MINGW}-gcc-ar-posix CACHE FILEPATH "")
set(CMAKE_RANLIB ${FROTHY_MINGW}-gcc-ranlib-posix CACHE FILEPATH "")

# Libraries and headers come from the MinGW sysroot and from the prefixes named on the command
# line (the cross-built SDL libraries); programs run at build time are the host's.
list(APPEND CMAKE_FIND_ROOT_PATH /usr/${FROTHY_MINGW})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static-libgcc -static-libstdc++")
