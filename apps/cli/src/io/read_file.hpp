#pragma once
// Reading files with the operating system's own error numbers (a folder, for
// instance, fails with EISDIR rather than reading as empty), whole or piece
// by piece through a caller's buffer.

#include <cstddef>
#include <expected>
#include <limits>
#include <span>
#include <string>

#include "io/file_descriptor.hpp"

namespace vevizovuvazavad::io {

// A file open for reading, closed when dropped.
class InputFile {
public:
    // The file at `path`, or the error number. Opening a folder succeeds; its
    // first read fails.
    static std::expected<InputFile, int> open(const std::string& path);

    // The length the file reports, or 0 where it reports none (a pipe, a
    // device); only a hint for sizing buffers.
    std::size_t size_hint() const;

    // Whether the file is a folder, which opens but cannot be read.
    bool is_folder() const;

    // Up to `buffer.size()` next bytes into `buffer`: how many, 0 at the
    // end, or the error number. Interrupted reads are retried.
    std::expected<std::size_t, int> read_some(std::span<char> buffer);

private:
    explicit InputFile(int fd) : file_(fd) {}
    FileDescriptor file_;
};

// Every byte of the file at `path`, or its first `at_most` bytes when it is
// longer (/dev/zero never ends), or the error number.
std::expected<std::string, int> read_file(const std::string& path,
                                          std::size_t at_most = std::numeric_limits<std::size_t>::max());

}  // namespace vevizovuvazavad::io
