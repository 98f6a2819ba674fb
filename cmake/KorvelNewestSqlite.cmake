# SQLite's newest release, from the amalgamation that the npm package
# better-sqlite3 ships; tests/platform/better-sqlite3 unpacks it under
# build/cache. The plain build uses it, when it is there, as a second SQLite
# library in one process; the newest preset links every SQL-level test
# against it.
set(KORVEL_NEWEST_SQLITE "" CACHE PATH
  "Folder of SQLite's amalgamation (sqlite3.c, sqlite3.h, sqlite3ext.h); empty: the one in build/cache")
option(KORVEL_LINK_NEWEST_SQLITE
  "Link that SQLite instead of the system's, and build only the SQL-level tests" OFF)

# korvel_newest_sqlite_dir(<variable> [FETCH]): the amalgamation's folder, or
# "" when it has not been fetched (FETCH: fetch it now).
function(korvel_newest_sqlite_dir variable)
  cmake_parse_arguments(arg "FETCH" "" "" ${ARGN})
  set(dir "${KORVEL_NEWEST_SQLITE}")
  if(NOT dir)
    set(command cached-amalgamation)
    if(arg_FETCH)
      set(command amalgamation)
    endif()
    execute_process(COMMAND ${PROJECT_SOURCE_DIR}/tests/platform/better-sqlite3 ${command}
      OUTPUT_VARIABLE dir OUTPUT_STRIP_TRAILING_WHITESPACE RESULT_VARIABLE status)
    if(NOT status EQUAL 0)
      set(dir "")
    endif()
  endif()
  if(dir AND NOT EXISTS "${dir}/sqlite3.c")
    message(FATAL_ERROR "${dir} holds no sqlite3.c")
  endif()
  set(${variable} "${dir}" PARENT_SCOPE)
endfunction()

# korvel_newest_sqlite_library(<target> STATIC|SHARED <dir>): SQLite built
# from the amalgamation in <dir>, its headers public. Needs the C language.
function(korvel_newest_sqlite_library target type dir)
  find_package(Threads REQUIRED)
  add_library(${target} ${type} ${dir}/sqlite3.c)
  target_include_directories(${target} SYSTEM PUBLIC ${dir})
  target_link_libraries(${target} PRIVATE Threads::Threads ${CMAKE_DL_LIBS})
  # Lightly optimised and without debug information: it compiles several
  # times faster than at -O2, and the fault sweeps still run quickly.
  target_compile_options(${target} PRIVATE -O1 -g0)
  if(type STREQUAL "SHARED")
    # Its own calls must stay inside it even when another SQLite's symbols
    # come first in the process's global scope.
    target_link_options(${target} PRIVATE -Wl,-Bsymbolic)
  endif()
endfunction()
