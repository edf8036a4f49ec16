#include "io/output.hpp"

#include <cerrno>
#include <unistd.h>

namespace vevizovuvazavad::io {

void write_stream(Stream stream, std::string_view text) {
    const int fd = stream == Stream::out ? STDOUT_FILENO : STDERR_FILENO;
    while (!text.empty()) {
        const ssize_t written = ::write(fd, text.data(), text.size());
        if (written < 0) {
            if (errno == EINTR) continue;
            throw OutputFailure{stream, errno};
        }
        // A write that takes nothing would loop forever; no error number
        // describes it better than an input/output error.
        if (written == 0) throw OutputFailure{stream, EIO};
        text.remove_prefix(static_cast<std::size_t>(written));
    }
}

}  // namespace vevizovuvazavad::io
