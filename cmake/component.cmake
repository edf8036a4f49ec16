# add_component(<name> [PLAIN_MAINS] [DEPS targets...] [PRIVATE_DEPS targets...]
#               [TEST_DEPS targets...])
#
# One library per component: public headers in include/<component_name>/,
# sources in src/, and its checks (add_component_checks below). A component
# without sources is an interface (header-only) library. DEPS are what the
# public headers include, PRIVATE_DEPS what only the sources use, TEST_DEPS
# what the tests, benchmarks and fuzz targets use beyond the component itself
# (GTest::gmock for a test that uses matchers).
function(add_component name)
  cmake_parse_arguments(ARG "PLAIN_MAINS" "" "DEPS;PRIVATE_DEPS;TEST_DEPS" ${ARGN})
  file(GLOB_RECURSE sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/src/*.cpp)
  if(sources)
    add_library(${name} STATIC ${sources})
    target_include_directories(${name} PUBLIC ${CMAKE_CURRENT_SOURCE_DIR}/include
                                       PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/src)
    target_link_libraries(${name} PUBLIC ${ARG_DEPS} PRIVATE ${ARG_PRIVATE_DEPS} project_warnings)
  else()
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE ${CMAKE_CURRENT_SOURCE_DIR}/include)
    target_link_libraries(${name} INTERFACE ${ARG_DEPS})
  endif()
  set(plain_mains)
  if(ARG_PLAIN_MAINS)
    set(plain_mains PLAIN_MAINS)
  endif()
  add_component_checks(${name} ${plain_mains} TEST_DEPS ${ARG_TEST_DEPS})
endfunction()

# add_component_checks(<library> [PLAIN_MAINS] [PREFIX <prefix>] [TEST_DEPS targets...])
#
# The checks of the component in the current folder, linked with <library>
# and TEST_DEPS: GoogleTest cases in tests/ (the program <prefix>-tests, its
# cases run through CTest as <prefix>.<case>), Google Benchmark programs in
# bench/ (<prefix>-bench, with VEVI_BUILD_BENCHMARKS) and one fuzz target per
# fuzz/<name>.cpp. PREFIX defaults to <library>. The programs get our mains
# (testing/), which initialise the libraries first; PLAIN_MAINS keeps
# GoogleTest's and Google Benchmark's own for the components that do not
# build on orrincore-crypto, whose initialize() is the libraries' start-up.
# Tests also see the component's internal headers (src/).
#
# A fuzz target is a libFuzzer program with VEVI_FUZZ (clang). Otherwise,
# with the tests, it is linked to our own driver (testing/fuzz_driver.cpp)
# and run by CTest once over its corpus, tests/fixtures/<name>/, so that it
# compiles with the rest and its checks hold on every run of the tests.
function(add_component_checks library)
  cmake_parse_arguments(ARG "PLAIN_MAINS" "PREFIX" "TEST_DEPS" ${ARGN})
  if(NOT ARG_PREFIX)
    set(ARG_PREFIX ${library})
  endif()
  if(ARG_PLAIN_MAINS)
    set(test_main GTest::gtest_main)
    set(bench_main benchmark::benchmark_main)
    set(fuzz_initialize "")
  else()
    set(test_main vevi-test-main)
    set(bench_main vevi-bench-main)
    set(fuzz_initialize vevi-fuzz-initialize)
  endif()
  set(tests_dir ${CMAKE_CURRENT_SOURCE_DIR}/tests)

  file(GLOB test_sources CONFIGURE_DEPENDS ${tests_dir}/*.cpp)
  if(test_sources AND BUILD_TESTING)
    set(tests ${ARG_PREFIX}-tests)
    add_executable(${tests} ${test_sources})
    target_link_libraries(${tests} PRIVATE ${library} ${ARG_TEST_DEPS} ${test_main} project_warnings)
    target_compile_options(${tests} PRIVATE ${VEVI_TEST_COMPILE_OPTIONS})
    target_include_directories(${tests} PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/src)
    # Where the tests find their fixture files, whatever folder they run in.
    target_compile_definitions(${tests} PRIVATE VEVI_TEST_SOURCE_DIR="${tests_dir}")
    gtest_discover_tests(${tests} DISCOVERY_MODE PRE_TEST TEST_PREFIX "${ARG_PREFIX}.")
  endif()

  file(GLOB bench_sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/bench/*.cpp)
  if(bench_sources AND VEVI_BUILD_BENCHMARKS)
    set(bench ${ARG_PREFIX}-bench)
    add_executable(${bench} ${bench_sources})
    target_link_libraries(${bench} PRIVATE ${library} ${ARG_TEST_DEPS} ${bench_main} project_warnings)
  endif()

  file(GLOB fuzz_sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/fuzz/*.cpp)
  foreach(fuzz_source ${fuzz_sources})
    get_filename_component(fuzz_name ${fuzz_source} NAME_WE)
    if(VEVI_FUZZ)
      add_executable(${fuzz_name} ${fuzz_source})
      target_link_options(${fuzz_name} PRIVATE -fsanitize=fuzzer)
      set_property(GLOBAL APPEND PROPERTY VEVI_FUZZ_TARGETS ${fuzz_name})
    elseif(BUILD_TESTING)
      add_executable(${fuzz_name} ${fuzz_source})
      target_link_libraries(${fuzz_name} PRIVATE vevi-fuzz-driver)
      target_compile_options(${fuzz_name} PRIVATE ${VEVI_TEST_COMPILE_OPTIONS})
      set(corpus)
      if(IS_DIRECTORY ${tests_dir}/fixtures/${fuzz_name})
        set(corpus ${tests_dir}/fixtures/${fuzz_name})
      endif()
      add_test(NAME ${ARG_PREFIX}.${fuzz_name} COMMAND ${fuzz_name} ${corpus})
    endif()
    if(TARGET ${fuzz_name})
      target_link_libraries(${fuzz_name} PRIVATE ${library} ${ARG_TEST_DEPS} ${fuzz_initialize} project_warnings)
    endif()
  endforeach()
endfunction()
