#include "io/record_file.hpp"

#include <fmt/format.h>

#include "io/replace_file.hpp"
#include "io/write_all.hpp"

namespace vevizovuvazavad::io {

std::string parse_error_text(std::string_view path, const orrincore_json::ReadError& error) {
    return fmt::format("{}: parse error: {}", display_path(path), error.message_with_position());
}

std::expected<void, std::string> write_record_document(const std::string& path, const RecordPieces& pieces) {
    const FileContent content = [&pieces](int fd) {
        // After a failed write the rest is passed over: that write's error is the answer.
        std::expected<void, int> written;
        pieces([&](std::string_view piece) {
            if (written) written = write_all(fd, piece);
        });
        return written;
    };
    if (auto written = replace_file(path, content, FileMode::record); !written)
        return std::unexpected(path_error_text(path, written.error()));
    return {};
}

}  // namespace vevizovuvazavad::io
