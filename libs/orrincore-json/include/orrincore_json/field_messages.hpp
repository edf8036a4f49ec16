#pragma once
// Texts of the messages about fields, for every reader of a keyed (object)
// or positional (array) form: the field tables of record.hpp and the readers
// of tagged values such as policy conditions.

#include <cstddef>
#include <string>
#include <string_view>

namespace orrincore_json {

// "missing field `key`"
std::string missing_field_message(std::string_view key);
// "duplicate field `key`"
std::string duplicate_field_message(std::string_view key);
// "invalid length 2, expected struct Marker with 5 elements"
std::string invalid_length_message(std::size_t index, std::string_view expectation);
// "1 element", "0 elements", "5 elements"
std::string element_count(std::size_t count);
// "struct Marker"
std::string struct_expectation(std::string_view name);
// "struct Marker with 5 elements"
std::string struct_length_expectation(std::string_view name, std::size_t fields);

}  // namespace orrincore_json
