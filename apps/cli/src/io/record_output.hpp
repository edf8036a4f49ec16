#pragma once
// The last two steps of a command that writes a record: the record file,
// then the report, so that nothing is reported written that was not.

#include <expected>
#include <string>
#include <string_view>

#include "io/emit.hpp"
#include "io/record_file.hpp"

namespace vevizovuvazavad::io {

template <class Record>
std::expected<void, std::string> write_and_emit(OutputForm form, const std::string& path, const Record& record,
                                                std::string_view text) {
    if (auto written = write_json(path, record); !written) return written;
    emit(form, record, text);
    return {};
}

}  // namespace vevizovuvazavad::io
