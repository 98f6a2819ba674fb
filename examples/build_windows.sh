# From the source tree, with Debian's g++-mingw-w64-i686-win32 installed and
# SQLITE_DIR naming a folder with SQLite's sqlite3.h and sqlite3ext.h:
cmake -S platform/windows -B build/windows-i686 -DCMAKE_BUILD_TYPE=Release \
  --toolchain "$PWD/cmake/toolchains/mingw-w64-i686.cmake" -DKORVEL_SQLITE_DIR="$SQLITE_DIR"
cmake --build build/windows-i686 --target korvel_sql  # gives build/windows-i686/korvel_sql.win
