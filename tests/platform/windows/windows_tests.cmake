# Windows programs that ctest runs under wine64: every SQL-level test
# (tests/*/*_sql_test.cpp) against the DLL, and the guide's C examples; plus
# export and import checks of both DLLs.
set(KORVEL_WIN32_DLL "" CACHE FILEPATH "The 32-bit korvel_sql.win to check")
if(NOT EXISTS "${KORVEL_WIN32_DLL}")
  message(FATAL_ERROR "KORVEL_WIN32_DLL must name the 32-bit build's korvel_sql.win")
endif()
enable_testing()
# GoogleTest needs std::mutex, which only the posix thread model's C++ library has.
if(NOT KORVEL_MINGW_THREADS STREQUAL "posix")
  message(FATAL_ERROR "the tests need -DKORVEL_MINGW_THREADS=posix")
endif()

set(korvel_wine ${CMAKE_CURRENT_SOURCE_DIR}/wine-run ${CMAKE_BINARY_DIR}/wineprefix)
set(CMAKE_CROSSCOMPILING_EMULATOR ${korvel_wine})
# Self-contained programs: no compiler runtime DLLs to put on wine's path.
add_link_options(-static)

set(gtest_disable_pthreads ON)
set(INSTALL_GTEST OFF)
add_subdirectory(/usr/src/googletest/googletest googletest EXCLUDE_FROM_ALL)
include(GoogleTest)

file(GLOB korvel_support_sources CONFIGURE_DEPENDS ${korvel_root}/tests/support/*.cpp)
add_library(korvel_test_support STATIC ${korvel_support_sources})
target_include_directories(korvel_test_support PUBLIC ${korvel_root}/tests/support)
target_link_libraries(korvel_test_support PUBLIC korvel_sql_static GTest::gtest korvel_warnings)
# Wine maps the Unix root to drive Z:.
target_compile_definitions(korvel_test_support PRIVATE
  KORVEL_SQL_EXTENSION_PATH="Z:$<TARGET_FILE:korvel_sql>")
add_dependencies(korvel_test_support korvel_sql)

file(GLOB korvel_sql_tests CONFIGURE_DEPENDS ${korvel_root}/tests/*/*_sql_test.cpp)
foreach(source IN LISTS korvel_sql_tests)
  cmake_path(GET source STEM name)
  cmake_path(GET source PARENT_PATH directory)
  korvel_add_gtest(${name} SOURCES ${source} LABELS "sql;windows")
  target_include_directories(${name} PRIVATE ${directory})
endforeach()

set(korvel_expect ${korvel_root}/tests/platform/expect-output ${korvel_root}/examples/using.out)
add_executable(using_static ${korvel_root}/examples/using_static.c)
target_link_libraries(using_static PRIVATE korvel_sql_static korvel_warnings)
add_executable(using_dynamic ${korvel_root}/examples/using_dynamic.c)
target_link_libraries(using_dynamic PRIVATE SQLite::SQLite3 korvel_warnings)
add_test(NAME windows_example_static_embedding
  COMMAND ${korvel_expect} ${korvel_wine} $<TARGET_FILE:using_static>)
add_test(NAME windows_example_loads_korvel_sql_win
  COMMAND ${korvel_expect} ${korvel_wine} $<TARGET_FILE:using_dynamic> korvel_sql.win
  WORKING_DIRECTORY $<TARGET_FILE_DIR:korvel_sql>)

find_program(korvel_objdump_i686 i686-w64-mingw32-objdump REQUIRED)
set(korvel_dll_check ${CMAKE_CURRENT_SOURCE_DIR}/dll-check)
add_test(NAME win32_dll_exports_only_the_entry_point
  COMMAND ${korvel_dll_check} ${korvel_objdump_i686} pei-i386 ${KORVEL_WIN32_DLL})
add_test(NAME win64_dll_exports_only_the_entry_point
  COMMAND ${korvel_dll_check} ${CMAKE_OBJDUMP} pei-x86-64 $<TARGET_FILE:korvel_sql>)
set_tests_properties(windows_example_static_embedding windows_example_loads_korvel_sql_win
  win32_dll_exports_only_the_entry_point win64_dll_exports_only_the_entry_point
  PROPERTIES LABELS windows)
