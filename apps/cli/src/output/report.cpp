#include "output/report.hpp"

#include <string>

#include "output/stream.hpp"

namespace vevizovuvazavad::output {

void print_line(std::string_view line) {
    std::string block;
    block.reserve(line.size() + 1);
    block.append(line).push_back('\n');
    write_stream(Stream::out, block);
}

void emit(OutputForm form, const nlohmann::json& result, std::string_view text) {
    if (form == OutputForm::text) return print_line(text);
    print_line(result.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace));
}

}  // namespace vevizovuvazavad::output
