#pragma once
// Texts of the reader's messages.

#include <string>
#include <string_view>

namespace orrincore_json::messages {

inline constexpr const char* eof_list = "EOF while parsing a list";
inline constexpr const char* eof_object = "EOF while parsing an object";
inline constexpr const char* eof_string = "EOF while parsing a string";
inline constexpr const char* eof_value = "EOF while parsing a value";
inline constexpr const char* expected_colon = "expected `:`";
inline constexpr const char* expected_list_comma = "expected `,` or `]`";
inline constexpr const char* expected_object_comma = "expected `,` or `}`";
inline constexpr const char* expected_ident = "expected ident";
inline constexpr const char* expected_value = "expected value";
inline constexpr const char* invalid_escape = "invalid escape";
inline constexpr const char* invalid_number = "invalid number";
inline constexpr const char* number_out_of_range = "number out of range";
inline constexpr const char* invalid_code_point = "invalid unicode code point";
inline constexpr const char* control_character = "control character (\\u0000-\\u001F) found while parsing a string";
inline constexpr const char* key_must_be_string = "key must be a string";
inline constexpr const char* lone_surrogate = "lone leading surrogate in hex escape";
inline constexpr const char* trailing_comma = "trailing comma";
inline constexpr const char* trailing_characters = "trailing characters";
inline constexpr const char* unexpected_end_of_hex = "unexpected end of hex escape";
inline constexpr const char* recursion_limit = "recursion limit exceeded";

inline std::string invalid_type(std::string_view found, std::string_view expected) {
    std::string out = "invalid type: ";
    out.append(found).append(", expected ").append(expected);
    return out;
}

inline std::string invalid_value(std::string_view found, std::string_view expected) {
    std::string out = "invalid value: ";
    out.append(found).append(", expected ").append(expected);
    return out;
}

}  // namespace orrincore_json::messages
