#include "system/read_file.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <sodium.h>

#include <algorithm>
#include <cerrno>

namespace vevizovuvazavad::system {

std::expected<InputFile, int> InputFile::open(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return std::unexpected(errno);
    return InputFile(fd);
}

std::expected<struct stat, int> InputFile::status() const {
    struct stat status {};
    if (::fstat(file_.get(), &status) != 0) return std::unexpected(errno);
    return status;
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
// that grew) is wiped before it is freed. Its capacity is not cleared before
// it is read into: a chain of custody is tens of megabytes.
std::expected<std::string, int> read_file(const std::string& path, std::size_t limit) {
    auto file = InputFile::open(path);
    if (!file) return std::unexpected(file.error());
    auto status = file->status();
    if (!status) return std::unexpected(status.error());
    // A pipe or device reports no size.
    const std::size_t reported = S_ISREG(status->st_mode) ? static_cast<std::size_t>(status->st_size) : 0;
    if (reported > limit) return std::unexpected(EFBIG);
    // Reading stops one byte past the limit, which tells a longer file.
    const std::size_t at_most = limit + 1;
    std::string bytes;
    // One byte beyond the expected size, so that the end is seen without growing.
    bytes.reserve(std::min(reported + 1, at_most));
    while (bytes.size() < at_most) {
        if (bytes.size() == bytes.capacity()) {
            std::string larger;
            try {
                larger.reserve(std::min(std::max<std::size_t>(2 * bytes.capacity(), 4096), at_most));
            } catch (...) {
                sodium_memzero(bytes.data(), bytes.size());
                throw;
            }
            larger.append(bytes);
            sodium_memzero(bytes.data(), bytes.size());
            bytes.swap(larger);
        }
        const std::size_t used = bytes.size();
        int failed = 0;
        bool ended = false;
        bytes.resize_and_overwrite(std::min(bytes.capacity(), at_most), [&](char* data, std::size_t end) {
            auto count = file->read_some(std::span(data + used, end - used));
            if (!count) {
                failed = count.error();
                return used;
            }
            ended = *count == 0;
            return used + *count;
        });
        if (failed != 0) {
            sodium_memzero(bytes.data(), bytes.size());
            return std::unexpected(failed);
        }
        if (ended) break;
    }
    if (bytes.size() > limit) {
        sodium_memzero(bytes.data(), bytes.size());
        return std::unexpected(EFBIG);
    }
    return bytes;
}

}  // namespace vevizovuvazavad::system
