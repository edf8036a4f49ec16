#pragma once
// Operating-system errors and paths as messages show them.

#include <string>
#include <string_view>

namespace vevizovuvazavad::system {

// The system's description of `error_number`, then " (os error N)".
std::string os_error_text(int error_number);

// "{path}: {os error text}", the path as typed (text::lossy_utf8).
std::string path_error_text(std::string_view path, int error_number);

}  // namespace vevizovuvazavad::system
