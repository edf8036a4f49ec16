#include "output/stream.hpp"

#include <unistd.h>

#include "system/write_all.hpp"

namespace vevizovuvazavad::output {

void write_stream(Stream stream, std::string_view text) {
    const int fd = stream == Stream::out ? STDOUT_FILENO : STDERR_FILENO;
    if (auto written = system::write_all(fd, text); !written) throw OutputFailure{stream, written.error()};
}

}  // namespace vevizovuvazavad::output
