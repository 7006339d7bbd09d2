# Test and benchmark dependencies and the functions that register them.

# Some x86-64 machines refuse i386 programs ("Exec format error"), others run
# them. A 32-bit tree asks the machine itself and, where it refuses, runs every
# test program through qemu's user-mode emulator; the tests' own dlopen calls
# then load the 32-bit libraries inside the emulator too.
if(CMAKE_SIZEOF_VOID_P EQUAL 4 AND NOT CMAKE_CROSSCOMPILING AND NOT CMAKE_CROSSCOMPILING_EMULATOR)
  set(probe ${CMAKE_BINARY_DIR}/CMakeFiles/runs32bit.cpp)
  file(WRITE ${probe} "int main() { return 0; }\n")
  try_run(SORVANE_RUNS_32BIT SORVANE_BUILDS_32BIT ${CMAKE_BINARY_DIR}/CMakeFiles/runs32bit ${probe})
  if(NOT SORVANE_RUNS_32BIT EQUAL 0)
    find_program(SORVANE_QEMU_I386 qemu-i386)
    if(NOT SORVANE_QEMU_I386)
      message(FATAL_ERROR "This machine cannot execute 32-bit programs, and qemu-i386 "
                          "(Debian package qemu-user) is not installed to run the 32-bit tests")
    endif()
    message(STATUS "This machine cannot execute 32-bit programs: the tests run under ${SORVANE_QEMU_I386}")
    set(CMAKE_CROSSCOMPILING_EMULATOR ${SORVANE_QEMU_I386})
  endif()
endif()

if(CMAKE_SIZEOF_VOID_P EQUAL 4 OR CMAKE_CROSSCOMPILING)
  # Debian ships GoogleTest prebuilt for the native size and system only; the
  # 32-bit and Windows trees build it from the sources that libgtest-dev
  # installs.
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest ${PROJECT_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
  # GoogleTest 1.12 names its targets GTest:: itself; older sources do not.
  if(NOT TARGET GTest::gtest)
    add_library(GTest::gtest_main ALIAS gtest_main)
    add_library(GTest::gtest ALIAS gtest)
    add_library(GTest::gmock ALIAS gmock)
  endif()
else()
  find_package(GTest REQUIRED)
endif()
include(GoogleTest)

# Cross-built test programs run under CMAKE_CROSSCOMPILING_EMULATOR (wine, see
# cmake/toolchains/). Each wine process costs a good part of a second, so
# there a whole program is one ctest test: one start instead of one to list
# the tests and one per test, and nothing runs wine while building.
if(CMAKE_CROSSCOMPILING AND NOT CMAKE_CROSSCOMPILING_EMULATOR)
  message(STATUS "No emulator for ${CMAKE_SYSTEM_NAME} programs: the test programs are built, not run")
endif()

# sorvane_emulated_test(<name> <target> [LABELS ...] [ARGS ...]): the program of
# <target>, with ARGS, run under the emulator with the host libraries (bin/) on its
# search path, and reported skipped when the emulator says it cannot run
# programs of this size here. tests/windows sets the emulator up once
# (the fixture "emulator").
function(sorvane_emulated_test name target)
  cmake_parse_arguments(ARG "" "" "LABELS;ARGS" ${ARGN})
  add_test(NAME ${name} COMMAND ${target} ${ARG_ARGS})
  set(environment "WINEPATH=${PROJECT_BINARY_DIR}/bin")
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    list(APPEND environment "SORVANE_WINE_PROBE=$<TARGET_FILE:sorvane_wine_probe>")
  endif()
  set_tests_properties(${name} PROPERTIES
    LABELS "${ARG_LABELS}"
    ENVIRONMENT "${environment}"
    SKIP_RETURN_CODE 77
    FIXTURES_REQUIRED emulator)
endfunction()

# sorvane_add_gtest(<target> SOURCES ... [LIBRARIES ...] [LABELS ...] [PREFIX <text>])
# One test executable; every TEST in it becomes a ctest test (a cross-built
# one is a single ctest test, see above), its name after PREFIX where one
# source serves several executables. The label "threads" marks a program
# that runs threads: the ThreadSanitizer tree builds and runs those alone
# (the target sorvane_threaded_tests).
function(sorvane_add_gtest target)
  cmake_parse_arguments(ARG "" "PREFIX" "SOURCES;LIBRARIES;LABELS" ${ARGN})
  add_executable(${target} ${ARG_SOURCES})
  if("threads" IN_LIST ARG_LABELS)
    set_property(GLOBAL APPEND PROPERTY SORVANE_THREADED_TESTS ${target})
  endif()
  target_link_libraries(${target} PRIVATE ${ARG_LIBRARIES} sorvane_warnings GTest::gtest_main)
  set_target_properties(${target} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR}/tests)
  if(CMAKE_CROSSCOMPILING)
    if(CMAKE_CROSSCOMPILING_EMULATOR)
      sorvane_emulated_test(${target} ${target} LABELS ${ARG_LABELS})
    endif()
  else()
    # One label of the names joined by '-' ("maya-threads"): CMake's test
    # discovery splits a list of labels into property names and loses all
    # but the first. ctest -L takes a pattern, so -L maya and -L threads
    # both still pick it.
    list(JOIN ARG_LABELS "-" label)
    gtest_discover_tests(${target}
      DISCOVERY_MODE PRE_TEST
      TEST_PREFIX "${ARG_PREFIX}"
      PROPERTIES LABELS "${label}")
  endif()
endfunction()
