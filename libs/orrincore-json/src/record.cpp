#include "orrincore_json/record.hpp"

#include <fmt/format.h>

namespace orrincore_json::detail {

std::string struct_expectation(std::string_view name) { return fmt::format("struct {}", name); }

std::string struct_length_expectation(std::string_view name, std::size_t fields) {
    return fmt::format("struct {} with {} {}", name, fields, fields == 1 ? "element" : "elements");
}

std::string invalid_length_message(std::size_t index, std::string_view expectation) {
    return fmt::format("invalid length {}, expected {}", index, expectation);
}

std::string missing_field_message(std::string_view key) { return fmt::format("missing field `{}`", key); }

std::string duplicate_field_message(std::string_view key) { return fmt::format("duplicate field `{}`", key); }

}  // namespace orrincore_json::detail
