#include "orrincore_json/read_error.hpp"

#include <fmt/format.h>

namespace orrincore_json {

std::string ReadError::message_with_position() const {
    if (!position_) return message_;
    return fmt::format("{} at line {} column {}", message_, position_->line, position_->column);
}

}  // namespace orrincore_json
