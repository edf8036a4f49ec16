#include "files/record_file.hpp"

#include <vector>

#include <fmt/format.h>

#include "system/replace_file.hpp"
#include "system/write_all.hpp"
#include "text/unicode_text.hpp"

namespace vevizovuvazavad::files {

std::string parse_error_text(std::string_view path, const orrincore_json::ReadError& error) {
    return fmt::format("{}: parse error: {}", text::lossy_utf8(path), error.message_with_position());
}

std::expected<void, std::string> write_record_documents(std::span<const RecordDocument> documents) {
    std::vector<system::FileReplacement> files;
    files.reserve(documents.size());
    for (const auto& document : documents) {
        files.push_back({document.path,
                         [&pieces = document.pieces](int fd) {
                             // After a failed write the rest is passed over: that write's error is the answer.
                             std::expected<void, int> written;
                             pieces([&](std::string_view piece) {
                                 if (written) written = system::write_all(fd, piece);
                             });
                             return written;
                         },
                         system::FileMode::record});
    }
    if (auto written = system::replace_files(files); !written)
        return std::unexpected(
            system::path_error_text(documents[written.error().index].path, written.error().error_number));
    return {};
}

}  // namespace vevizovuvazavad::files
