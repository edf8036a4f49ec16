#pragma once
// The one error of record reading: a message and, when known, where the
// reader stopped.

#include <cstddef>
#include <expected>
#include <optional>
#include <string>
#include <utility>

namespace orrincore_json {

// Line counted from 1; column = bytes since the last line feed (0 right
// after one).
struct Position {
    std::size_t line = 1;
    std::size_t column = 0;
    bool operator==(const Position&) const = default;
};

class ReadError {
public:
    ReadError(std::string message, std::optional<Position> position)
        : message_(std::move(message)), position_(position) {}

    // What is wrong, without the place.
    const std::string& message() const { return message_; }

    const std::optional<Position>& position() const { return position_; }

    // The message, then " at line L column C" when the position is known:
    // the text a refused record file is reported with.
    std::string message_with_position() const;

    bool operator==(const ReadError&) const = default;

private:
    std::string message_;
    std::optional<Position> position_;
};

template <class T>
using ReadResult = std::expected<T, ReadError>;

}  // namespace orrincore_json
