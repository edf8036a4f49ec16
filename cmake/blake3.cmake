# BLAKE3 from the reference C sources that Debian ships inside librust-blake3-dev.
# They are compiled here into a static library of ours; nothing is copied into
# the repository.
file(GLOB _blake3_headers /usr/share/cargo/registry/blake3-*/c/blake3.h)
if(NOT _blake3_headers)
  message(FATAL_ERROR
    "BLAKE3 C sources not found (expected /usr/share/cargo/registry/blake3-*/c/).\n"
    "Install them with: scripts/install-deps  (package librust-blake3-dev)")
endif()
list(SORT _blake3_headers COMPARE NATURAL ORDER DESCENDING)
list(GET _blake3_headers 0 _blake3_header)
get_filename_component(BLAKE3_SOURCE_DIR "${_blake3_header}" DIRECTORY)
message(STATUS "BLAKE3 C sources: ${BLAKE3_SOURCE_DIR}")

set(_blake3_sources
  ${BLAKE3_SOURCE_DIR}/blake3.c
  ${BLAKE3_SOURCE_DIR}/blake3_dispatch.c
  ${BLAKE3_SOURCE_DIR}/blake3_portable.c)

if(CMAKE_SYSTEM_PROCESSOR MATCHES "^(x86_64|AMD64|amd64)$")
  enable_language(ASM)
  list(APPEND _blake3_sources
    ${BLAKE3_SOURCE_DIR}/blake3_sse2_x86-64_unix.S
    ${BLAKE3_SOURCE_DIR}/blake3_sse41_x86-64_unix.S
    ${BLAKE3_SOURCE_DIR}/blake3_avx2_x86-64_unix.S
    ${BLAKE3_SOURCE_DIR}/blake3_avx512_x86-64_unix.S)
  set(_blake3_defines)
else()
  set(_blake3_defines BLAKE3_NO_SSE2 BLAKE3_NO_SSE41 BLAKE3_NO_AVX2 BLAKE3_NO_AVX512 BLAKE3_USE_NEON=0)
endif()

add_library(blake3 STATIC ${_blake3_sources})
target_include_directories(blake3 SYSTEM PUBLIC ${BLAKE3_SOURCE_DIR})
target_compile_definitions(blake3 PRIVATE ${_blake3_defines})
set_target_properties(blake3 PROPERTIES C_STANDARD 99 POSITION_INDEPENDENT_CODE ON)
