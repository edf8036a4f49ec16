#include "demo/narration.hpp"

#include <fmt/format.h>

#include "output/stream.hpp"

namespace vevizovuvazavad::demo {
namespace {

void print(std::string_view text) { output::write_stream(output::Stream::out, text); }

}  // namespace

void print_banner() { print("VuvadEdedoru lifecycle demo — deterministic, offline, self-checking.\n"); }

void print_title(std::string_view title) { print(fmt::format("\n== {} ==\n", title)); }

void print_ok(std::string_view text) { print(fmt::format("  [ok]      {}\n", text)); }

void print_refused(std::string_view label, std::string_view message) {
    print(fmt::format("  [refused] {}: {}\n", label, message));
}

void print_closing() { print("\nDemo complete: happy path + 7 refusal paths, all behaved as expected.\n"); }

}  // namespace vevizovuvazavad::demo
