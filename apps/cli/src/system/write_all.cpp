#include "system/write_all.hpp"

#include <unistd.h>

#include <cerrno>

namespace vevizovuvazavad::system {

std::expected<void, int> write_all(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR) continue;
            return std::unexpected(errno);
        }
        if (written == 0) return std::unexpected(EIO);
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return {};
}

}  // namespace vevizovuvazavad::system
