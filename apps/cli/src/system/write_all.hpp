#pragma once
// Writing a whole buffer to a file descriptor, the one loop every writer of
// the tool goes through: a pipe or a signal may take a write in parts.

#include <expected>
#include <string_view>

namespace vevizovuvazavad::system {

// Writes all of `bytes` to `fd`, retrying interrupted and partial writes;
// the error number of the write that failed. A write that takes nothing
// would loop forever: it fails as an input/output error, which no error
// number describes better.
std::expected<void, int> write_all(int fd, std::string_view bytes);

}  // namespace vevizovuvazavad::system
