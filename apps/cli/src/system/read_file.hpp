#pragma once
// Reading files with the operating system's own error numbers (a folder, for
// instance, fails with EISDIR rather than reading as empty), whole or piece
// by piece through a caller's buffer.

#include <sys/stat.h>

#include <cstddef>
#include <expected>
#include <span>
#include <string>

#include "system/file_descriptor.hpp"

namespace vevizovuvazavad::system {

// A file open for reading, closed when dropped.
class InputFile {
public:
    // The file at `path`, or the error number. Opening a folder succeeds; its
    // first read fails.
    static std::expected<InputFile, int> open(const std::string& path);

    // The file's status as fstat gives it, or the error number.
    std::expected<struct stat, int> status() const;

    // Whether the file is a directory, which opens but cannot be read.
    bool is_folder() const;

    // Up to `buffer.size()` next bytes into `buffer`: how many, 0 at the
    // end, or the error number. Interrupted reads are retried.
    std::expected<std::size_t, int> read_some(std::span<char> buffer);

private:
    explicit InputFile(int fd) : file_(fd) {}
    FileDescriptor file_;
};

// Every byte of the file at `path`, or the error number. A file longer than
// `limit` is refused with EFBIG: a regular file before it is read, a pipe or
// device once it has given one byte more (/dev/zero never ends).
std::expected<std::string, int> read_file(const std::string& path, std::size_t limit);

}  // namespace vevizovuvazavad::system
