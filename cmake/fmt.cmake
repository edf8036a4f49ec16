# fmt's compiled part, built here from the headers that Debian's libfmt-dev
# installs (cmake/fmt.cpp includes fmt/format-inl.h): Debian ships the library
# only shared, and loading it, with the shared C++ runtime it needs, was a good
# part of each run of the tool. Every target that links `fmt::fmt` gets this
# static library in its place; nothing of fmt is copied into the repository.
find_path(FMT_INCLUDE_DIR fmt/format-inl.h)
if(NOT FMT_INCLUDE_DIR)
  message(FATAL_ERROR
    "fmt headers not found (fmt/format-inl.h).\n"
    "Install them with: scripts/install-deps  (package libfmt-dev)")
endif()

add_library(vevi-fmt STATIC ${CMAKE_CURRENT_LIST_DIR}/fmt.cpp)
target_include_directories(vevi-fmt SYSTEM PUBLIC ${FMT_INCLUDE_DIR})
add_library(fmt::fmt ALIAS vevi-fmt)
