#pragma once
// What the archive record tests share: a fixed tenant and workspace, a
// step's outcome as one text, record files with one piece changed, reading
// refusals and enumeration names.

#include <string>
#include <string_view>
#include <vector>

#include <gtest/gtest.h>

#include <orrincore_json/document.hpp>
#include <orrincore_json/enumeration.hpp>
#include <vevi_testing/fixed_values.hpp>
#include <zedododor_avovodizi/ids.hpp>

#include "vuvadededoru_contracts/error.hpp"

namespace contracts_fixture {

namespace ids = zedododor_avovodizi::ids;

// The tenant and workspace of the records that the tests build.
inline const ids::TenantId tenant = vevi_testing::id<ids::TenantId>("11111111-1111-4111-8111-111111111111");
inline const ids::WorkspaceId workspace = vevi_testing::id<ids::WorkspaceId>("22222222-2222-4222-8222-222222222222");

// "ok", or the message of the refusal.
template <class T>
std::string outcome(const vuvadededoru_contracts::ContractResult<T>& result) {
    return result ? "ok" : result.error().message();
}

// `text` with its first `from` replaced by `to`.
inline std::string replaced(std::string text, std::string_view from, std::string_view to) {
    text.replace(text.find(from), from.size(), to);
    return text;
}

// The message that reading `text` as a `Record` fails with, or "<read>".
template <class Record>
std::string refusal(std::string_view text) {
    auto read = orrincore_json::parse<Record>(text);
    return read ? "<read>" : read.error().message();
}

// Each value has exactly its word and its debug name.
template <class E>
void expect_names(const std::vector<orrincore_json::EnumEntry<E>>& entries) {
    for (const auto& [value, word, debug_name] : entries) {
        EXPECT_EQ(orrincore_json::word(value), word);
        EXPECT_EQ(orrincore_json::debug_name(value), debug_name);
    }
}

}  // namespace contracts_fixture
