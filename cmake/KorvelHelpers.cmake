# Shared build settings and the helper every test directory uses.

add_library(korvel_warnings INTERFACE)
target_compile_options(korvel_warnings INTERFACE -Wall -Wextra -Werror)

# korvel_add_gtest(<name> SOURCES <files...> [LIBS <targets...>] [LABELS <labels...>])
# Builds one GoogleTest executable and registers each of its tests with ctest.
function(korvel_add_gtest name)
  cmake_parse_arguments(arg "" "" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${name} ${arg_SOURCES})
  target_link_libraries(${name} PRIVATE korvel_test_support GTest::gtest_main ${arg_LIBS})
  # Tests are read from the sources, so every one is known at configure time
  # and carries its labels.
  gtest_add_tests(TARGET ${name} TEST_LIST tests)
  set_tests_properties(${tests} PROPERTIES LABELS "unit;${arg_LABELS}")
endfunction()
