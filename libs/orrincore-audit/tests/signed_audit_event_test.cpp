#include "orrincore_audit/signed_audit_event.hpp"

#include <gtest/gtest.h>
#include <orrincore_json/document.hpp>

#include <cstdint>
#include <string>

#include "audit_fixtures.hpp"

namespace orrincore_audit {
namespace {

const std::string event_text = orrincore_json::to_compact(testing::plain_event());
const std::string signature_text = "\"" + std::string(128, 'a') + "\"";

std::string signed_object(std::string_view sequence) {
    return R"({"event":)" + event_text + R"(,"sequence":)" + std::string(sequence) + R"(,"signature":)" +
           signature_text + "}";
}

TEST(SignedAuditEventReading, SequenceCoversExactlyTheU64Range) {
    struct Case {
        std::string_view sequence;
        std::string outcome;  // the sequence read, or the message
    };
    const Case cases[] = {
        {"0", "0"},
        {"18446744073709551615", "18446744073709551615"},
        {"-1", "invalid value: integer `-1`, expected u64"},
        {"1.5", "invalid type: floating point `1.5`, expected u64"},
        {"18446744073709551616", "invalid type: floating point `18446744073709552000`, expected u64"},
        {R"("5")", R"(invalid type: string "5", expected u64)"},
    };
    for (const auto& [sequence, outcome] : cases) {
        const auto read = orrincore_json::parse<SignedAuditEvent>(signed_object(sequence));
        EXPECT_EQ(read ? std::to_string(read->sequence) : read.error().message(), outcome) << sequence;
    }
}

TEST(SignedAuditEventReading, RefusalsCarryTheirMessages) {
    struct Case {
        std::string text;
        std::string message;  // with its position
    };
    const Case cases[] = {
        {"true", "invalid type: boolean `true`, expected struct SignedAuditEvent at line 1 column 4"},
        {"[]", "invalid length 0, expected struct SignedAuditEvent with 3 elements at line 1 column 2"},
        {"[" + event_text + "]",
         "invalid length 1, expected struct SignedAuditEvent with 3 elements at line 1 column " +
             std::to_string(event_text.size() + 2)},
        {"[" + event_text + ",1]",
         "invalid length 2, expected struct SignedAuditEvent with 3 elements at line 1 column " +
             std::to_string(event_text.size() + 4)},
        {R"({"event":)" + event_text + R"(,"sequence":1})",
         "missing field `signature` at line 1 column " + std::to_string(event_text.size() + 23)},
        {"[" + event_text + R"(,1,"abcd"])",
         "validation failed: ed25519 signature must be 128 hex characters, got 4 at line 1 column " +
             std::to_string(event_text.size() + 10)},
    };
    for (const auto& [text, message] : cases) {
        const auto read = orrincore_json::parse<SignedAuditEvent>(text);
        EXPECT_EQ(read ? std::string("read") : read.error().message_with_position(), message) << text;
    }
}

TEST(CustodyChainReading, KeepsFileOrderAcrossBothForms) {
    const std::string array_form = "[" + event_text + ",7," + signature_text + "]";
    const auto chain = read_custody_chain(" [" + signed_object("9") + ",\n" + array_form + "] ");
    ASSERT_TRUE(chain) << chain.error().message_with_position();
    ASSERT_EQ(chain->size(), 2u);
    EXPECT_EQ((*chain)[0].sequence, 9u);
    EXPECT_EQ((*chain)[1].sequence, 7u);
    EXPECT_EQ((*chain)[1].event, testing::plain_event());

    const auto empty = read_custody_chain("[]");
    ASSERT_TRUE(empty);
    EXPECT_TRUE(empty->empty());
}

TEST(CustodyChainReading, OneBadElementOrAnObjectYieldsNoList) {
    EXPECT_EQ(read_custody_chain("{}").error().message_with_position(),
              "invalid type: map, expected a sequence at line 1 column 0");
    EXPECT_EQ(read_custody_chain("[" + signed_object("1") + ",5]").error().message(),
              "invalid type: integer `5`, expected struct SignedAuditEvent");
}

}  // namespace
}  // namespace orrincore_audit
