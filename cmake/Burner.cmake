# One static library per folder, built from the folder's *.cpp (a main.cpp
# is the folder's program, not part of its library), and one test program per
# folder, built from its tests/*.cpp. Adding a source or a test file needs no
# CMake change.
#
#   burner_module(<target> [DEPS libs...] [TEST_DEPS libs...] [TEST_MAIN lib])
#
# TEST_MAIN names a library that provides main() for the tests (the Qt tests
# need an application object); the default is GoogleTest's own main.
function(burner_module target)
  cmake_parse_arguments(M "" "TEST_MAIN" "DEPS;TEST_DEPS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  list(FILTER sources EXCLUDE REGEX "/main\\.cpp$")
  if(sources)
    add_library(${target} STATIC ${sources})
    target_include_directories(${target} PUBLIC ${PROJECT_SOURCE_DIR})
    target_link_libraries(${target} PUBLIC ${M_DEPS})
  else()
    # A folder that holds only headers so far.
    add_library(${target} INTERFACE)
    target_include_directories(${target} INTERFACE ${PROJECT_SOURCE_DIR})
    target_link_libraries(${target} INTERFACE ${M_DEPS})
  endif()

  if(NOT BURNER_TESTS)
    return()
  endif()
  file(GLOB test_sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/tests/*.cpp)
  if(NOT test_sources)
    return()
  endif()
  if(NOT M_TEST_MAIN)
    set(M_TEST_MAIN GTest::gtest_main)
  endif()
  add_executable(${target}_tests ${test_sources})
  target_link_libraries(${target}_tests PRIVATE ${target} ${M_TEST_DEPS} ${M_TEST_MAIN} GTest::gtest GTest::gmock)
  target_compile_definitions(${target}_tests PRIVATE
    BURNER_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
    BURNER_BINARY_DIR="${PROJECT_BINARY_DIR}")
  set_target_properties(${target}_tests PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${BURNER_TEST_OUTPUT_DIRECTORY})
  # Listing a test program's tests can take seconds on a busy machine (the
  # sanitizer builds above all); the default five would fail the run.
  gtest_discover_tests(${target}_tests
    DISCOVERY_MODE PRE_TEST
    DISCOVERY_TIMEOUT 120
    TEST_PREFIX "${target}."
    # One value per property: the discovery script splits a value at its
    # semicolons, so a second variable goes in through the modifications.
    PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen"
               ENVIRONMENT_MODIFICATION "BURNER_BIN_DIR=set:${PROJECT_BINARY_DIR}/bin")
endfunction()

# A libFuzzer target: burner_fuzz(<name> <source> LIBS libs...)
function(burner_fuzz name source)
  cmake_parse_arguments(F "" "" "LIBS" ${ARGN})
  add_executable(${name} ${source})
  target_link_libraries(${name} PRIVATE ${F_LIBS})
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR}/fuzz)
endfunction()

# A Google Benchmark program: burner_bench(<name> <sources...> LIBS libs...)
function(burner_bench name)
  cmake_parse_arguments(B "" "" "LIBS" ${ARGN})
  add_executable(${name} ${B_UNPARSED_ARGUMENTS})
  target_link_libraries(${name} PRIVATE ${B_LIBS} benchmark::benchmark)
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR}/bench)
endfunction()
