#pragma once
// Reading a whole file with the operating system's own error numbers (a
// folder, for instance, fails with EISDIR rather than reading as empty).

#include <expected>
#include <string>

namespace vevizovuvazavad::io {

// Every byte of the file at `path`, or the error number.
std::expected<std::string, int> read_file(const std::string& path);

}  // namespace vevizovuvazavad::io
