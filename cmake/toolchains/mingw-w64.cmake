# Shared part of the mingw-w64 toolchain files: Debian's cross compilers for
# the triple the including file sets. KORVEL_MINGW_THREADS picks their thread
# model: win32 (package g++-mingw-w64-<arch>-win32, the default) or posix
# (g++-mingw-w64-<arch>-posix), whose C++ library has std::mutex and threads.
set(KORVEL_MINGW_THREADS win32 CACHE STRING "Thread model of the compilers: win32 or posix")
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES KORVEL_MINGW_THREADS)

set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_C_COMPILER ${KORVEL_MINGW_TRIPLE}-gcc-${KORVEL_MINGW_THREADS})
set(CMAKE_CXX_COMPILER ${KORVEL_MINGW_TRIPLE}-g++-${KORVEL_MINGW_THREADS})
set(CMAKE_RC_COMPILER ${KORVEL_MINGW_TRIPLE}-windres)

# Headers and libraries come from the cross sysroot only, never the host's.
set(CMAKE_FIND_ROOT_PATH /usr/${KORVEL_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
