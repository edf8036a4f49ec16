#pragma once
// Operating-system errors and paths as messages show them.

#include <string>
#include <string_view>

namespace vevizovuvazavad::io {

// The system's description of `error_number`, then " (os error N)".
std::string os_error_text(int error_number);

// A path as typed, each maximal invalid UTF-8 sequence shown as one U+FFFD.
std::string display_path(std::string_view path);

// "{path}: {os error text}".
std::string path_error_text(std::string_view path, int error_number);

}  // namespace vevizovuvazavad::io
