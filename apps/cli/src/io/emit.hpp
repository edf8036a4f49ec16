#pragma once
// The one report of a command on standard output: its text, or with `--json`
// its record or result object as compact JSON; either followed by a newline.
// Printing failures throw OutputFailure (output.hpp), which ends the process
// with status 101 after any file the command wrote.

#include <string_view>

#include <nlohmann/json.hpp>
#include <orrincore_json/document.hpp>

#include "io/output_form.hpp"

namespace vevizovuvazavad::io {

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

}  // namespace vevizovuvazavad::io
