#pragma once
// The byte-level pull reader every record is read through.
//
// Type readers (Json<T>::read) call its primitives in document order; the
// first error found ends the read. Every primitive skips the whitespace
// before the value it reads. Messages and positions follow fixed rules:
//  - syntax errors at the offending byte ("expected `,` or `]`", ...);
//  - a value of the wrong kind is consumed first, then reported after it
//    (invalid_type);
//  - errors found by a type reader after it read its value (invalid_value,
//    custom_error) are reported where the reader stands, after the value;
//  - errors about a whole array or object (fail_array, fail_object) are
//    reported after its closing bracket when that bracket comes next.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "orrincore_json/read_error.hpp"

namespace orrincore_json {

// A JSON number with the kind the reader gave it: integers that fit in 64
// bits keep their value; fractions, exponents, -0, integers below -2^63 and
// above 2^64 - 1 are floating point.
struct Number {
    enum class Kind { unsigned_integer, negative_integer, floating_point };
    Kind kind = Kind::unsigned_integer;
    std::uint64_t unsigned_value = 0;  // Kind::unsigned_integer
    std::int64_t negative_value = 0;   // Kind::negative_integer (always < 0)
    double float_value = 0;            // Kind::floating_point

    // The found-value text of messages: "integer `5`", "floating point `1.5`".
    std::string describe() const;
};

// A floating-point value as messages show it: shortest round-trip digits in
// plain decimal, no exponent and no ".0" (1, -0, 1.5, 1000000000000000000000).
std::string describe_float(double value);
// "string " and the text in quoted form.
std::string describe_string(std::string_view text);

// State of one open array or object.
struct Cursor {
    bool first = true;
};

enum class StructForm { array, object };

class Reader {
public:
    // Arrays and objects a reader reads may nest this deep (skipped values
    // are not limited).
    static constexpr int max_depth = 127;

    explicit Reader(std::string_view document);

    // The next byte after whitespace (not consumed); nullopt at the end.
    std::optional<char> peek();

    // --- scalars; any other kind of value fails with invalid_type(expected)
    ReadResult<bool> read_bool(std::string_view expected = "a boolean");
    ReadResult<Number> read_number(std::string_view expected);
    ReadResult<std::string> read_string(std::string_view expected = "a string");
    // Same, without a copy when the string has no escapes; the view is valid
    // until the next call on this reader.
    ReadResult<std::string_view> read_string_view(std::string_view expected = "a string");
    // Consumes `null` and returns true when it comes next; otherwise consumes
    // nothing and returns false.
    ReadResult<bool> read_null_if_next();
    // `null`, or invalid_type(expected).
    ReadResult<void> read_unit(std::string_view expected = "unit");

    // --- arrays: begin_array, then next_element before each element (false
    // at the closing bracket, which it leaves for end_array), then end_array.
    ReadResult<Cursor> begin_array(std::string_view expected);
    ReadResult<bool> next_element(Cursor& cursor);
    // "trailing comma" / "trailing characters" when elements remain.
    ReadResult<void> end_array();

    // --- objects: begin_object, then next_key (nullopt at the closing brace;
    // the view is valid until the next call), read_colon, the value, ...,
    // end_object.
    ReadResult<Cursor> begin_object(std::string_view expected);
    ReadResult<std::optional<std::string_view>> next_key(Cursor& cursor);
    ReadResult<void> read_colon();
    ReadResult<void> end_object();

    // A record: an array or an object, opened like begin_array/begin_object.
    ReadResult<StructForm> begin_struct(std::string_view expected);

    // Skips one well-formed value of any depth (iterative; no depth limit).
    ReadResult<void> skip_value();

    // The array that comes next, scanned with a copy of this reader, which
    // stays where it is: how many elements it holds and how many bytes of
    // text it takes. Both 0 when no well-formed array comes next (the read
    // that follows reports why).
    struct ArrayExtent {
        std::size_t elements = 0;
        std::size_t bytes = 0;
    };
    ArrayExtent skim_array() const;

    // Reads one value of any kind as the typed primitives would, nesting
    // limit and messages included, and returns its text (valid as long as
    // the document), so that a value whose type is known only later (a
    // field before its tag) can be read again by a Reader over that text.
    ReadResult<std::string_view> read_any();

    // After the top-level value: only whitespace may follow.
    ReadResult<void> end();

    // --- errors
    // Consumes the next value as far as a type reader would (scalars whole,
    // nothing of an array or object) and fails with "invalid type: {found},
    // expected {expected}", or with the syntax error met on the way.
    ReadError invalid_type(std::string_view expected);
    // "invalid type: {found}, expected {expected}" for a number already read.
    ReadError invalid_type(const Number& found, std::string_view expected) const;
    // "invalid value: {found}, expected {expected}", here.
    ReadError invalid_value(std::string_view found, std::string_view expected) const;
    // A type's own message (timestamp, hash, UUID, slug, ...), here.
    ReadError custom_error(std::string message) const;
    // A message about the array or object being read ("invalid length ...",
    // "missing field ...", "duplicate field ..."): its closing bracket is
    // consumed when it comes next, and the error placed after it.
    ReadError fail_array(std::string message);
    ReadError fail_object(std::string message);
    // A syntax error at the next byte (counted as read).
    ReadError error_at_next(std::string message) const;

    // Bytes consumed so far.
    std::size_t offset() const { return index_; }

private:
    std::optional<char> peek_raw() const;
    void skip_whitespace();
    Position position_of(std::size_t index) const;
    ReadError error_here(std::string message) const;
    ReadResult<void> parse_ident(std::string_view rest);
    ReadResult<Number> parse_number(bool positive);
    // `start` is where the number's text begins, its sign included; each goes
    // on from where the scan stands. `magnitude` is the integer's absolute
    // value, which fits in 64 bits; `exponent` is what the text's exponent
    // says, 0 without one. A float's value is read from the text (from_chars).
    ReadResult<Number> parse_number_tail(std::size_t start, std::uint64_t magnitude);
    ReadResult<Number> parse_float_tail(std::size_t start);
    ReadResult<double> parse_exponent(std::size_t start);
    ReadResult<double> float_from_text(std::size_t start, int exponent);
    ReadResult<std::string_view> parse_string();
    ReadResult<void> parse_escape();
    ReadResult<std::uint16_t> decode_hex_escape();
    ReadResult<void> skip_string();
    ReadResult<void> skip_escape();
    ReadResult<void> skip_number();
    ReadResult<void> enter();  // depth check, then consume the bracket

    std::string_view input_;
    std::size_t index_ = 0;
    int depth_ = 0;
    std::string scratch_;
};

}  // namespace orrincore_json
