#pragma once
// Record files: one record each, read whole with the record reader and
// written whole in the pretty layout (two-space indentation, fields in record
// order, no final newline). Errors are complete texts naming the path as
// typed.

#include <cstddef>
#include <expected>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <utility>

#include <orrincore_json/document.hpp>

#include "system/os_error.hpp"
#include "system/read_file.hpp"

namespace vevizovuvazavad::files {

// Far above any record the tool writes (a manifest of a million chunks is
// some 460 MB), so that a longer file, a pipe or a device that goes past it
// is refused ("File too large") instead of filling the memory.
inline constexpr std::size_t max_record_file_size = std::size_t{1} << 30;

// "{path}: parse error: {message} at line {L} column {C}".
std::string parse_error_text(std::string_view path, const orrincore_json::ReadError& error);

// A document handed over in pieces, in order, to the sink it is given, as
// often as its file is tried; it is written out as it comes.
using RecordPieces = std::function<void(orrincore_json::StreamingOutput::Sink)>;

// The document keeps its own copy of the path, so that a name built on the
// spot may be gone before the document is written. record_document's pieces
// still refer to their record.
struct RecordDocument {
    std::string path;
    RecordPieces pieces;
};

// Replaces each file with its document, all written before any is renamed,
// then renamed in order (replace_file.hpp). On failure "{path}: {os error}"
// for the file that failed.
std::expected<void, std::string> write_record_documents(std::span<const RecordDocument> documents);

// The record of type T in the file at `path`: "{path}: {os error}" when the
// file cannot be read or is longer than max_record_file_size, "{path}: parse
// error: {}" when it is not such a record.
template <class T>
std::expected<T, std::string> read_json(const std::string& path) {
    auto bytes = system::read_file(path, max_record_file_size);
    if (!bytes) return std::unexpected(system::path_error_text(path, bytes.error()));
    auto record = orrincore_json::parse<T>(*bytes);
    if (!record) return std::unexpected(parse_error_text(path, record.error()));
    return std::move(*record);
}

// The record in `first_path`, then the one in `second_path`, which is not
// read when the first cannot be.
template <class First, class Second>
std::expected<std::pair<First, Second>, std::string> read_json_pair(const std::string& first_path,
                                                                    const std::string& second_path) {
    auto first = read_json<First>(first_path);
    if (!first) return std::unexpected(std::move(first).error());
    auto second = read_json<Second>(second_path);
    if (!second) return std::unexpected(std::move(second).error());
    return std::pair<First, Second>{*std::move(first), *std::move(second)};
}

// Each record of a file holding a JSON array of T, handed to `visit` in file
// order as soon as it is read, so that a long list is never held as records
// all at once; the number of records. The errors are read_json's for a
// std::vector<T>, whatever `visit` was handed before the fault.
template <class T, class Visit>
std::expected<std::size_t, std::string> read_json_elements(const std::string& path, Visit&& visit) {
    auto bytes = system::read_file(path, max_record_file_size);
    if (!bytes) return std::unexpected(system::path_error_text(path, bytes.error()));
    auto count = orrincore_json::parse_elements<T>(*bytes, std::forward<Visit>(visit));
    if (!count) return std::unexpected(parse_error_text(path, count.error()));
    return *count;
}

// Replaces the file at `path` with `record`, never leaving it half-written.
// Rendering cannot fail: the writer shows any stray invalid UTF-8 as U+FFFD.
// The text goes to the file as it is written: a manifest of many references
// is never held as text beside its records, so `record` must outlive the
// document.
template <class T>
RecordDocument record_document(std::string path, const T& record) {
    return {std::move(path), [&record](orrincore_json::StreamingOutput::Sink sink) {
                orrincore_json::write_pretty(record, std::move(sink));
            }};
}

template <class T>
std::expected<void, std::string> write_json(const std::string& path, const T& record) {
    const RecordDocument document = record_document(path, record);
    return write_record_documents(std::span(&document, 1));
}

}  // namespace vevizovuvazavad::files
