#include "io/os_error.hpp"

#include <cstring>

#include <fmt/format.h>
#include <orrincore_error/text.hpp>

namespace vevizovuvazavad::io {

std::string os_error_text(int error_number) {
    char buffer[256];
    // The GNU strerror_r returns the text, which need not be in `buffer`.
    const char* text = ::strerror_r(error_number, buffer, sizeof buffer);
    return fmt::format("{} (os error {})", text, error_number);
}

std::string display_path(std::string_view path) {
    std::string shown;
    shown.reserve(path.size());
    for (std::size_t i = 0; i < path.size();) {
        // An ill-formed sequence reads as one U+FFFD; a character is written
        // back as the bytes it was read from.
        const auto character = orrincore_error::decode_character(path, i);
        orrincore_error::append_utf8(shown, character.code_point);
        i += character.length;
    }
    return shown;
}

std::string path_error_text(std::string_view path, int error_number) {
    return fmt::format("{}: {}", display_path(path), os_error_text(error_number));
}

}  // namespace vevizovuvazavad::io
