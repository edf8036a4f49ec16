// Operating-system errors and paths as messages show them.
#include "system/os_error.hpp"

#include <cerrno>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "text/unicode_text.hpp"

namespace {

using namespace vevizovuvazavad;

TEST(OsError, TextAndNumber) {
    EXPECT_EQ(system::os_error_text(ENOENT), "No such file or directory (os error 2)");
    EXPECT_EQ(system::os_error_text(EPIPE), "Broken pipe (os error 32)");
    EXPECT_EQ(system::path_error_text("a/b.json", EISDIR), "a/b.json: Is a directory (os error 21)");
}

TEST(OsError, PathsShowEachInvalidSequenceAsOneReplacement) {
    struct Case {
        std::string path;
        std::string shown;
    };
    const std::vector<Case> cases = {
        {"plain.json", "plain.json"},
        {"", ""},
        {"caf\xc3\xa9/\xf0\x9f\x93\x81", "caf\xc3\xa9/\xf0\x9f\x93\x81"},
        {"a\xE2\x82"
         "b",
         "a\xEF\xBF\xBD"
         "b"},                                                     // truncated sequence: one
        {"\xFF\xFE", "\xEF\xBF\xBD\xEF\xBF\xBD"},                  // two invalid bytes: two
        {"\xC0\xAF", "\xEF\xBF\xBD\xEF\xBF\xBD"},                  // overlong
        {"\xED\xA0\x80", "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"},  // surrogate
        {"\xF0\x9F\x93", "\xEF\xBF\xBD"},                          // truncated at the end
        {std::string("a\0b", 3), std::string("a\0b", 3)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(text::lossy_utf8(c.path), c.shown);
    }
    EXPECT_EQ(system::path_error_text("\xFF.json", ENOENT),
              "\xEF\xBF\xBD.json: No such file or directory (os error 2)");
}

}  // namespace
