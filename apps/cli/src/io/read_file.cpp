#include "io/read_file.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace vevizovuvazavad::io {

// Reads straight into the result, so that a secret's bytes exist in one
// place only, which its reader can wipe.
std::expected<std::string, int> read_file(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return std::unexpected(errno);
    struct stat status {};
    std::size_t expected_size = 0;
    if (::fstat(fd, &status) == 0 && status.st_size > 0) expected_size = static_cast<std::size_t>(status.st_size);
    // One byte beyond the expected size, so that the end is seen without growing.
    std::string bytes(expected_size + 1, '\0');
    std::size_t used = 0;
    for (;;) {
        if (used == bytes.size()) bytes.resize(std::max<std::size_t>(2 * bytes.size(), 4096));
        const ssize_t count = ::read(fd, bytes.data() + used, bytes.size() - used);
        if (count == 0) break;
        if (count < 0) {
            if (errno == EINTR) continue;
            const int error = errno;
            ::close(fd);
            return std::unexpected(error);
        }
        used += static_cast<std::size_t>(count);
    }
    ::close(fd);
    bytes.resize(used);
    return bytes;
}

}  // namespace vevizovuvazavad::io
