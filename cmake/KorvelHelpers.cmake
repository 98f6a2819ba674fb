# Shared build settings and the helper every test directory uses.

add_library(korvel_warnings INTERFACE)
target_compile_options(korvel_warnings INTERFACE -Wall -Wextra -Werror)

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
