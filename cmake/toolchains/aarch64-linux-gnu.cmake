# 64-bit ARM Linux from an x86_64 Debian: cmake --toolchain cmake/toolchains/aarch64-linux-gnu.cmake
# Debian's g++-aarch64-linux-gnu, with the arm64 architecture's -dev packages
# (libsqlite3-dev:arm64, libgtest-dev:arm64) for headers and libraries. The
# tests run under qemu-user's qemu-aarch64, which ctest puts in front of every
# test program it builds.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR aarch64)
set(CMAKE_C_COMPILER aarch64-linux-gnu-gcc)
set(CMAKE_CXX_COMPILER aarch64-linux-gnu-g++)
set(CMAKE_LIBRARY_ARCHITECTURE aarch64-linux-gnu)

# The cross compiler's own sysroot holds libc; Debian's multiarch paths hold
# the arm64 packages' headers and libraries; programs come from the host.
set(CMAKE_FIND_ROOT_PATH /usr/aarch64-linux-gnu /)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# -L: where qemu finds the arm64 dynamic loader and libraries.
set(CMAKE_CROSSCOMPILING_EMULATOR qemu-aarch64 -L /usr/aarch64-linux-gnu)
