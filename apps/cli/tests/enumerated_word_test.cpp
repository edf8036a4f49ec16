#include "command_line/enumerated_word.hpp"

#include <gtest/gtest.h>
#include <orrincore_retention/retention_class.hpp>

namespace {

using orrincore_retention::RetentionClass;
using vevizovuvazavad::read_enumerated_word;

TEST(EnumeratedWord, ExactWordsAndDecodedEscapesAreAccepted) {
    struct Case {
        const char* word;
        RetentionClass value;
    };
    for (const auto& [word, value] :
         {Case{"legal_hold", RetentionClass::legal_hold}, Case{"ephemeral", RetentionClass::ephemeral},
          Case{"legal\\u005fhold", RetentionClass::legal_hold}, Case{"\\u0064ebug", RetentionClass::debug}}) {
        EXPECT_EQ(read_enumerated_word<RetentionClass>(word, "retention class"), value) << word;
    }
}

TEST(EnumeratedWord, EveryRefusalQuotesTheWordAsTyped) {
    struct Case {
        std::string word;
        std::string quoted;
    };
    const std::vector<Case> cases = {
        {"Compliance", R"("Compliance")"},
        {"compliance ", R"("compliance ")"},
        {"", R"("")"},
        {"legal-hold", R"("legal-hold")"},
        {R"(a"b)", R"("a\"b")"},
        {R"(compliance",")", R"("compliance\",\"")"},
        {R"(legal\)", R"("legal\\")"},
        {R"(\x)", R"("\\x")"},
        {"tab\there", R"("tab\there")"},
        {"bell\x07", R"("bell\u{7}")"},
        {"\\u0000", R"("\\u0000")"},
        {"compliance\u0301", R"("compliance\u{301}")"},
    };
    for (const auto& c : cases) {
        const auto read = read_enumerated_word<RetentionClass>(c.word, "retention class");
        ASSERT_FALSE(read) << c.word;
        EXPECT_EQ(read.error(), "unknown retention class " + c.quoted + " (see --help)");
    }
}

}  // namespace
