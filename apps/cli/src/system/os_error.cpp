#include "system/os_error.hpp"

#include <cstring>

#include <fmt/format.h>

#include "text/unicode_text.hpp"

namespace vevizovuvazavad::system {

std::string os_error_text(int error_number) {
    char buffer[256];
    // The GNU strerror_r returns the text, which need not be in `buffer`.
    const char* text = ::strerror_r(error_number, buffer, sizeof buffer);
    return fmt::format("{} (os error {})", text, error_number);
}

std::string path_error_text(std::string_view path, int error_number) {
    return fmt::format("{}: {}", text::lossy_utf8(path), os_error_text(error_number));
}

}  // namespace vevizovuvazavad::system
