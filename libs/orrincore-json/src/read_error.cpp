#include "orrincore_json/read_error.hpp"

#include <fmt/format.h>

namespace orrincore_json {

std::string ReadError::to_string() const {
    if (!position) return message;
    return fmt::format("{} at line {} column {}", message, position->line, position->column);
}

}  // namespace orrincore_json
