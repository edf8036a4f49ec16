#pragma once
// The one error of record reading: a message and, when known, where the
// reader stopped.

#include <cstddef>
#include <expected>
#include <optional>
#include <string>

namespace orrincore_json {

// Line counted from 1; column = bytes since the last line feed (0 right
// after one).
struct Position {
    std::size_t line = 1;
    std::size_t column = 0;
    bool operator==(const Position&) const = default;
};

struct ReadError {
    std::string message;
    std::optional<Position> position;

    // The message, then " at line L column C" when the position is known.
    std::string to_string() const;

    bool operator==(const ReadError&) const = default;
};

template <class T>
using ReadResult = std::expected<T, ReadError>;

}  // namespace orrincore_json
