# Test support: GoogleTest for both builds, the harness fixture (private X server and Wine prefix)
# and helpers that register tests under it.

set(TINTEL_HARNESS ${PROJECT_SOURCE_DIR}/tests/harness)
set(TINTEL_HARNESS_DIR ${PROJECT_BINARY_DIR}/harness)

macro(tintel_find_gtest)
  if(CMAKE_CROSSCOMPILING)
    # mingw has no packaged GoogleTest: build Debian's sources with the cross compiler.
    set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
    set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
    add_subdirectory(/usr/src/googletest ${PROJECT_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
    foreach(t gtest gtest_main gmock gmock_main)
      target_compile_options(${t} PRIVATE -Wno-error)
    endforeach()
    if(NOT TARGET GTest::gtest)
      add_library(GTest::gtest ALIAS gtest)
      add_library(GTest::gtest_main ALIAS gtest_main)
    endif()
  else()
    find_package(GTest REQUIRED)
  endif()
endmacro()

# The fixture every test runs under: `harness start` before the first test, `harness stop` after
# the last (and a watchdog if the runner dies first).
function(tintel_add_harness)
  set(wine "")
  if(CMAKE_CROSSCOMPILING)
    set(wine wine)
  endif()
  add_test(NAME harness.start COMMAND ${TINTEL_HARNESS}/harness start ${TINTEL_HARNESS_DIR} ${wine})
  add_test(NAME harness.stop COMMAND ${TINTEL_HARNESS}/harness stop ${TINTEL_HARNESS_DIR})
  set_tests_properties(harness.start PROPERTIES FIXTURES_SETUP harness)
  set_tests_properties(harness.stop PROPERTIES FIXTURES_CLEANUP harness)
endfunction()

function(tintel_harness_properties name)
  set_tests_properties(${name} PROPERTIES
    FIXTURES_REQUIRED harness
    ENVIRONMENT "TINTEL_HARNESS_DIR=${TINTEL_HARNESS_DIR};NO_AT_BRIDGE=1;ASAN_OPTIONS=detect_leaks=1:abort_on_error=1;LSAN_OPTIONS=suppressions=${PROJECT_SOURCE_DIR}/tests/lsan.supp;UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1"
    ${ARGN})
endfunction()

# Tests share the run's one X server and Wine prefix and may run in parallel (ctest -j). A test that
# shows windows, sets ramps or starts the real program (whose single-instance lock is per user)
# adds RESOURCE_LOCK x_display to its PROPERTIES, so such tests run one at a time.

# tintel_add_test_run(NAME TARGET [ENV VAR=value...] [PROPERTIES prop value...])
# One CTest run of a test program (under Wine through the emulator on Windows), with environment
# variables of its own; a program may have several runs (one per time zone, say).
function(tintel_add_test_run name target)
  cmake_parse_arguments(R "" "" "ENV;PROPERTIES" ${ARGN})
  if(CMAKE_CROSSCOMPILING)
    add_test(NAME ${name} COMMAND ${target})
  else()
    add_test(NAME ${name} COMMAND ${TINTEL_HARNESS}/in-env $<TARGET_FILE:${target}>)
  endif()
  tintel_harness_properties(${name} ${R_PROPERTIES})
  foreach(assignment ${R_ENV})
    string(REGEX REPLACE "^([^=]*)=(.*)$" "\\1=set:\\2" modification "${assignment}")
    set_property(TEST ${name} APPEND PROPERTY ENVIRONMENT_MODIFICATION "${modification}")
  endforeach()
endfunction()

# tintel_add_gtest(NAME SOURCES file... LIBS lib... [PROPERTIES prop value...])
# A test program and its one CTest run.
function(tintel_add_gtest name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS;PROPERTIES" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gtest_main)
  tintel_add_test_run(${name} ${name} PROPERTIES ${T_PROPERTIES})
endfunction()

# tintel_add_script_test(NAME COMMAND ...): a test that drives the real program from outside.
function(tintel_add_script_test name)
  cmake_parse_arguments(T "" "" "COMMAND;PROPERTIES" ${ARGN})
  add_test(NAME ${name} COMMAND ${TINTEL_HARNESS}/in-env ${T_COMMAND})
  tintel_harness_properties(${name} ${T_PROPERTIES})
endfunction()
