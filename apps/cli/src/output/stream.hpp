#pragma once
// The one writer of standard output and standard error. Everything the tool
// prints goes through it unbuffered, so a failed write is seen at once and
// never surfaces only at exit.

#include <string_view>

namespace vevizovuvazavad::output {

enum class Stream { out, err };

// A stream could not be written. It unwinds to `run_main`, which ends the
// process with status 101 ("failed printing to {}: {}"); unwinding, rather
// than exiting where the write failed, lets every signing key wipe itself.
struct OutputFailure {
    Stream stream;
    int error_number;
};

// Writes all of `text`, retrying interrupted and partial writes. Throws
// OutputFailure.
void write_stream(Stream stream, std::string_view text);

}  // namespace vevizovuvazavad::output
