# Shared build settings and the helper every test directory uses.

# Warnings are errors only for the project's own developers (the presets and
# `make test` turn this on): a newer compiler's new warning, or a false
# positive of one version, must not stop someone else's build.
option(KORVEL_WERROR "Treat compiler warnings as errors" OFF)

add_library(korvel_warnings INTERFACE)
target_compile_options(korvel_warnings INTERFACE -Wall -Wextra $<$<BOOL:${KORVEL_WERROR}>:-Werror>)

# korvel_add_gtest(<name> SOURCES <files...> [LIBS <targets...>] [LABELS <labels...>])
# Builds one GoogleTest executable and registers each of its tests with ctest.
function(korvel_add_gtest name)
  cmake_parse_arguments(arg "" "" "SOURCES;LIBS;LABELS" ${ARGN})
  # Against another SQLite only the tests that go through SQLite can differ;
  # the others stay targets, unbuilt and unregistered.
  set(skipped "")
  if(KORVEL_LINK_NEWEST_SQLITE AND NOT "sql" IN_LIST arg_LABELS)
    set(skipped EXCLUDE_FROM_ALL)
  endif()
  add_executable(${name} ${skipped} ${arg_SOURCES})
  target_link_libraries(${name} PRIVATE korvel_test_support GTest::gtest_main ${arg_LIBS})
  if(skipped)
    return()
  endif()
  # Tests are read from the sources, so every one is known at configure time
  # and carries its labels.
  gtest_add_tests(TARGET ${name} TEST_LIST tests)
  set_tests_properties(${tests} PROPERTIES LABELS "unit;${arg_LABELS}")
endfunction()

# korvel_find_python(): sets KORVEL_PYTHON to a Python for the tests, the first
# of KORVEL_PYTHON (when given), the python3 programs on PATH and
# /usr/bin/python3 whose sqlite3 module can load extensions; some builds
# (pyenv's, by default) leave enable_load_extension out. With none able to,
# it is the first Python found, and the tests that load skip (exit 77).
function(korvel_find_python)
  if(KORVEL_PYTHON)
    return()
  endif()
  set(candidates "")
  cmake_path(CONVERT "$ENV{PATH}" TO_CMAKE_PATH_LIST path_dirs NORMALIZE)
  foreach(dir IN LISTS path_dirs ITEMS /usr/bin)
    if(EXISTS "${dir}/python3" AND NOT IS_DIRECTORY "${dir}/python3")
      list(APPEND candidates "${dir}/python3")
    endif()
  endforeach()
  list(REMOVE_DUPLICATES candidates)
  if(NOT candidates)
    message(FATAL_ERROR "no python3 found on PATH or at /usr/bin/python3")
  endif()
  foreach(python IN LISTS candidates)
    execute_process(COMMAND "${python}" -c
      "import sqlite3; sqlite3.connect(':memory:').enable_load_extension(True)"
      RESULT_VARIABLE status OUTPUT_QUIET ERROR_QUIET)
    if(status EQUAL 0)
      set(KORVEL_PYTHON "${python}" CACHE FILEPATH "Python for the tests")
      message(STATUS "Python for the tests: ${python}")
      return()
    endif()
  endforeach()
  list(GET candidates 0 python)
  message(WARNING "No Python among ${candidates} can load SQLite extensions "
    "(its sqlite3 module lacks enable_load_extension); the Python tests will skip. "
    "Name one that can with -DKORVEL_PYTHON=<path>.")
  set(KORVEL_PYTHON "${python}" CACHE FILEPATH "Python for the tests")
endfunction()
