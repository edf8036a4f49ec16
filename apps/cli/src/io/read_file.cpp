#include "io/read_file.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <sodium.h>

#include <algorithm>
#include <cerrno>

namespace vevizovuvazavad::io {

std::expected<InputFile, int> InputFile::open(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return std::unexpected(errno);
    return InputFile(fd);
}

std::size_t InputFile::size_hint() const {
    struct stat status {};
    if (::fstat(file_.get(), &status) != 0 || status.st_size <= 0) return 0;
    return static_cast<std::size_t>(status.st_size);
}

bool InputFile::is_folder() const {
    struct stat status {};
    return ::fstat(file_.get(), &status) == 0 && S_ISDIR(status.st_mode);
}

std::expected<std::size_t, int> InputFile::read_some(std::span<char> buffer) {
    for (;;) {
        const ssize_t count = ::read(file_.get(), buffer.data(), buffer.size());
        if (count >= 0) return static_cast<std::size_t>(count);
        if (errno != EINTR) return std::unexpected(errno);
    }
}

// Reads straight into the result, so that a secret's bytes exist in one
// place only, which its reader can wipe: a buffer outgrown (a pipe, a file
// that grew) is wiped before it is freed.
std::expected<std::string, int> read_file(const std::string& path, std::size_t at_most) {
    auto file = InputFile::open(path);
    if (!file) return std::unexpected(file.error());
    // One byte beyond the expected size, so that the end is seen without growing.
    std::string bytes(std::min(file->size_hint() + 1, at_most), '\0');
    std::size_t used = 0;
    while (used < at_most) {
        if (used == bytes.size()) {
            std::string larger(std::min(std::max<std::size_t>(2 * bytes.size(), 4096), at_most), '\0');
            std::copy_n(bytes.data(), used, larger.data());
            sodium_memzero(bytes.data(), bytes.size());
            bytes.swap(larger);
        }
        auto count = file->read_some(std::span(bytes).subspan(used));
        if (!count) return std::unexpected(count.error());
        if (*count == 0) break;
        used += *count;
    }
    bytes.resize(used);
    return bytes;
}

}  // namespace vevizovuvazavad::io
