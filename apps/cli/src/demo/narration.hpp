#pragma once
// The demo's narration: five line shapes, each written to standard output
// the moment it is produced, through the tool's checked writer. A line that
// cannot be written throws output::OutputFailure (status 101); the lines before
// it stay printed.

#include <concepts>
#include <string>
#include <string_view>

namespace vevizovuvazavad::demo {

void print_banner();

// An empty line, then "== {title} ==".
void print_title(std::string_view title);

// "  [ok]      {text}".
void print_ok(std::string_view text);

// "  [refused] {label}: {message}". The two markers are padded to one width
// so that every text starts in the same column.
void print_refused(std::string_view label, std::string_view message);

// An empty line, then the closing sentence.
void print_closing();

// Prints the refusal of an expected refusal, whatever the error type that
// refused it (contract, engine and core errors, or a plain text).
template <class Error>
void refused(std::string_view label, const Error& error) {
    if constexpr (std::convertible_to<const Error&, std::string_view>) {
        print_refused(label, error);
    } else {
        print_refused(label, error.message());
    }
}

}  // namespace vevizovuvazavad::demo
