# GoogleTest from the system's source copy, built with the cross toolchain.
set(gtest_disable_pthreads ON CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
include(GoogleTest)

# melvane_add_test(<name> LABELS <label>... SOURCES <file>... [LIBS <lib>...] [PROPERTIES <prop> <value>...])
# Builds one GoogleTest executable and registers each of its tests with ctest,
# run under Wine through CMAKE_CROSSCOMPILING_EMULATOR.
function(melvane_add_test name)
  cmake_parse_arguments(T "" "" "LABELS;SOURCES;LIBS;PROPERTIES" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gtest_main)
  gtest_discover_tests(${name}
    DISCOVERY_MODE PRE_TEST
    DISCOVERY_TIMEOUT 60
    PROPERTIES LABELS "${T_LABELS}" ${T_PROPERTIES})
endfunction()
