# vor_add_test(NAME <exe> SOURCES <files...> LIBS <libs...>)
# One GoogleTest executable per subsystem. The test runner gives each a
# GTEST_OUTPUT so that the closing tally counts individual test cases; under
# cross-compiling CTest runs it through CMAKE_CROSSCOMPILING_EMULATOR (wine64).
function(vor_add_test)
  cmake_parse_arguments(T "" "NAME" "SOURCES;LIBS" ${ARGN})
  add_executable(${T_NAME} ${T_SOURCES})
  target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} vor_gtest_main)
  target_include_directories(${T_NAME} PRIVATE ${PROJECT_SOURCE_DIR}/src ${PROJECT_SOURCE_DIR}/tests)
  add_test(NAME ${T_NAME} COMMAND ${T_NAME})
  set_tests_properties(${T_NAME} PROPERTIES
    ENVIRONMENT "VOR_TEST_DATA=${PROJECT_SOURCE_DIR}/tests/data"
    TIMEOUT 900)
endfunction()
