# add_component(<name> [PLAIN_MAINS] [DEPS targets...] [PRIVATE_DEPS targets...]
#               [TEST_DEPS targets...])
#
# One library per component: public headers in include/<component_name>/,
# sources in src/, GoogleTest cases in tests/, Google Benchmark programs in
# bench/. A component without sources is an interface (header-only) library.
# DEPS are what the public headers include, PRIVATE_DEPS what only the
# sources use, TEST_DEPS what the tests, benchmarks and fuzz targets use
# beyond the component itself (GTest::gmock for a test that uses matchers).
# Test and benchmark programs get our mains (testing/), which initialise the
# libraries first; PLAIN_MAINS keeps GoogleTest's and Google Benchmark's own
# for the components that do not build on orrincore-crypto, whose
# initialize() is the libraries' start-up. Tests also see the component's
# internal headers (src/).
function(add_component name)
  cmake_parse_arguments(ARG "PLAIN_MAINS" "" "DEPS;PRIVATE_DEPS;TEST_DEPS" ${ARGN})
  if(ARG_PLAIN_MAINS)
    set(test_main GTest::gtest_main)
    set(bench_main benchmark::benchmark_main)
    set(fuzz_initialize "")
  else()
    set(test_main vevi-test-main)
    set(bench_main vevi-bench-main)
    set(fuzz_initialize vevi-fuzz-initialize)
  endif()
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

  file(GLOB test_sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/tests/*.cpp)
  if(test_sources AND BUILD_TESTING)
    add_executable(${name}-tests ${test_sources})
    target_link_libraries(${name}-tests PRIVATE ${name} ${ARG_TEST_DEPS} ${test_main} project_warnings)
    target_include_directories(${name}-tests PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/src)
    target_compile_options(${name}-tests PRIVATE ${VEVI_TEST_COMPILE_OPTIONS})
    # Where the tests find their fixture files, whatever folder they run in.
    target_compile_definitions(${name}-tests PRIVATE VEVI_TEST_SOURCE_DIR="${CMAKE_CURRENT_SOURCE_DIR}/tests")
    gtest_discover_tests(${name}-tests DISCOVERY_MODE PRE_TEST TEST_PREFIX "${name}.")
  endif()

  file(GLOB bench_sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/bench/*.cpp)
  if(bench_sources AND VEVI_BUILD_BENCHMARKS)
    add_executable(${name}-bench ${bench_sources})
    target_link_libraries(${name}-bench PRIVATE ${name} ${ARG_TEST_DEPS} ${bench_main} project_warnings)
  endif()

  file(GLOB fuzz_sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/fuzz/*.cpp)
  if(VEVI_FUZZ)
    foreach(fuzz_source ${fuzz_sources})
      get_filename_component(fuzz_name ${fuzz_source} NAME_WE)
      add_executable(${fuzz_name} ${fuzz_source})
      target_link_libraries(${fuzz_name} PRIVATE ${name} ${ARG_TEST_DEPS} ${fuzz_initialize} project_warnings)
      target_link_options(${fuzz_name} PRIVATE -fsanitize=fuzzer)
      set_property(GLOBAL APPEND PROPERTY VEVI_FUZZ_TARGETS ${fuzz_name})
    endforeach()
  endif()
endfunction()
