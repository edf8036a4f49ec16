#include "io/os_error.hpp"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include <fmt/format.h>
#include <unicode/utf8.h>

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
        // ICU counts in int32_t: it sees one sequence at most, so offsets in
        // a long path never wrap. On an ill-formed sequence U8_NEXT steps
        // over its maximal valid prefix, which becomes one U+FFFD.
        const auto* bytes = reinterpret_cast<const std::uint8_t*>(path.data() + i);
        const auto length = static_cast<std::int32_t>(std::min<std::size_t>(path.size() - i, U8_MAX_LENGTH));
        std::int32_t index = 0;
        UChar32 c = 0;
        U8_NEXT(bytes, index, length, c);
        if (c < 0) {
            shown += "\xEF\xBF\xBD";
        } else {
            shown.append(path.data() + i, static_cast<std::size_t>(index));
        }
        i += static_cast<std::size_t>(index);
    }
    return shown;
}

std::string path_error_text(std::string_view path, int error_number) {
    return fmt::format("{}: {}", display_path(path), os_error_text(error_number));
}

}  // namespace vevizovuvazavad::io
