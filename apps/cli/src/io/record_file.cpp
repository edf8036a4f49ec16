#include "io/record_file.hpp"

#include <vector>

#include <fmt/format.h>

#include "io/replace_file.hpp"
#include "io/write_all.hpp"

namespace vevizovuvazavad::io {

std::string parse_error_text(std::string_view path, const orrincore_json::ReadError& error) {
    return fmt::format("{}: parse error: {}", display_path(path), error.message_with_position());
}

std::expected<void, std::string> write_record_documents(std::span<const RecordDocument> documents) {
    std::vector<FileReplacement> files;
    files.reserve(documents.size());
    for (const auto& document : documents) {
        files.push_back({document.path,
                         [&pieces = document.pieces](int fd) {
                             // After a failed write the rest is passed over: that write's error is the answer.
                             std::expected<void, int> written;
                             pieces([&](std::string_view piece) {
                                 if (written) written = write_all(fd, piece);
                             });
                             return written;
                         },
                         FileMode::record});
    }
    if (auto written = replace_files(files); !written)
        return std::unexpected(path_error_text(documents[written.error().index].path, written.error().error_number));
    return {};
}

}  // namespace vevizovuvazavad::io
