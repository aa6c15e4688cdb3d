# What both MinGW-w64 cross toolchains share; the toolchain files name the
# target. The win32 thread model needs no winpthread DLL, so the program
# links fully static.
set(CMAKE_SYSTEM_NAME Windows)

set(CMAKE_C_COMPILER ${TAVRIN_MINGW_PREFIX}-gcc-win32)
set(CMAKE_CXX_COMPILER ${TAVRIN_MINGW_PREFIX}-g++-win32)
set(CMAKE_RC_COMPILER ${TAVRIN_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${TAVRIN_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
