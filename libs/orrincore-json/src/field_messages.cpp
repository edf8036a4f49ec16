#include "orrincore_json/field_messages.hpp"

#include <fmt/format.h>

namespace orrincore_json {

std::string missing_field_message(std::string_view key) { return fmt::format("missing field `{}`", key); }

std::string duplicate_field_message(std::string_view key) { return fmt::format("duplicate field `{}`", key); }

std::string invalid_length_message(std::size_t index, std::string_view expectation) {
    return fmt::format("invalid length {}, expected {}", index, expectation);
}

std::string element_count(std::size_t count) {
    return fmt::format("{} {}", count, count == 1 ? "element" : "elements");
}

std::string struct_expectation(std::string_view name) { return fmt::format("struct {}", name); }

std::string struct_length_expectation(std::string_view name, std::size_t fields) {
    return fmt::format("struct {} with {}", name, element_count(fields));
}

}  // namespace orrincore_json
