#include "io/output.hpp"

#include <unistd.h>

#include "io/write_all.hpp"

namespace vevizovuvazavad::io {

void write_stream(Stream stream, std::string_view text) {
    const int fd = stream == Stream::out ? STDOUT_FILENO : STDERR_FILENO;
    if (auto written = write_all(fd, text); !written) throw OutputFailure{stream, written.error()};
}

}  // namespace vevizovuvazavad::io
