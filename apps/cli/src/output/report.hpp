#pragma once
// The one report of a command on standard output: its text, or with `--json`
// its record or result object as compact JSON; either followed by a newline.
// A command that writes a record writes the file first, so that nothing is
// reported written that was not. Printing failures throw OutputFailure
// (stream.hpp), which ends the process with status 101 after any file the
// command wrote.

#include <expected>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>
#include <orrincore_json/document.hpp>

#include "files/record_file.hpp"
#include "output/form.hpp"

namespace vevizovuvazavad::output {

// `line` and a newline on standard output, in one write.
void print_line(std::string_view line);

template <class T>
void emit(OutputForm form, const T& record, std::string_view text) {
    if (form == OutputForm::text) return print_line(text);
    print_line(orrincore_json::to_compact(record));
}

// What a command without a record prints with `--json`: `result`, whose keys
// come out in byte order whatever order they were added in.
void emit(OutputForm form, const nlohmann::json& result, std::string_view text);

// The last two steps of a command that writes a record: the record file,
// then the report.
template <class Record>
std::expected<void, std::string> write_and_emit(OutputForm form, const std::string& path, const Record& record,
                                                std::string_view text) {
    if (auto written = files::write_json(path, record); !written) return written;
    emit(form, record, text);
    return {};
}

}  // namespace vevizovuvazavad::output
