// The record writers, which walk a record straight to text, against
// nlohmann's writer over the record's value tree: byte for byte, in both
// layouts, collected whole and streamed in small blocks, over every kind of
// field and every kind of text.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <vevi_testing/layout_agreement.hpp>

#include "test_records.hpp"

namespace orrincore_json::testing {
namespace {

template <class T>
void expect_tree_layout(const char* name, const T& value) {
    SCOPED_TRACE(name);
    EXPECT_EQ(to_pretty(value), vevi_testing::pretty_through_tree(value));
    EXPECT_EQ(vevi_testing::streamed_pretty(value), vevi_testing::pretty_through_tree(value));
    EXPECT_EQ(to_compact(value), vevi_testing::compact_through_tree(value));
}

// A tree `depth` levels deep: the indentation outgrows any fixed run of spaces.
Tree nested(int depth) {
    Tree tree;
    for (int i = 0; i < depth; ++i) tree = Tree{{tree, Tree{}}};
    return tree;
}

TEST(LayoutWriter, WritesWhatTheTreeWriterWrites) {
    const std::string every_escape = "\x01\x1f\"\\\b\f\n\r\t\x7f/";
    const Marker full{"payload.email", Reason::audience_restricted, TestId{"6f1c2e1a-8a7b-4c2e-9f3d-0b1a2c3d4e5f"},
                      "2024-05-01T10:00:00Z", TestId{every_escape}};
    const Marker bare{"", Reason::oversized, {}, {}, {}};
    // Not UTF-8: a stray continuation byte, a lead byte cut short at the
    // end, an overlong form, a surrogate and a lead byte that never starts
    // anything; the tree writer writes its replacement character for each.
    const std::vector<std::string> not_utf8 = {"a\x80z",        "ab\xE2\x82", "\xC0\xAF",
                                               "\xED\xA0\x80x", "\xFF",       "\xF0\x9F\x98"};
    Target target{
        "t",   "name \"quoted\"\n", "\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80", "https://e", UINT64_MAX, true, not_utf8,
        "\xFF"};
    const Event event{42, {full, bare}, {{"k", "v"}, {every_escape, "\xFF"}, {"", ""}}, {0, 127, 255}, 3};

    expect_tree_layout("every field of a marker", full);
    expect_tree_layout("a marker with its options left out", bare);
    expect_tree_layout("texts that are not UTF-8", target);
    expect_tree_layout("a target with nothing in its lists", Target{});
    expect_tree_layout("a nested list of records and a map", event);
    expect_tree_layout("empty lists and map left out", Event{});
    expect_tree_layout("a tree deeper than any run of spaces", nested(40));
    expect_tree_layout("a list of records", std::vector<Marker>{full, bare});
    expect_tree_layout("an empty list", std::vector<Marker>{});
    expect_tree_layout("a list of lists", std::vector<std::vector<std::string>>{{}, {"a", "\x80"}});
    expect_tree_layout("a map of byte strings",
                       std::map<std::string, std::vector<std::uint8_t>>{{"a", {1, 2}}, {"b", {}}});
    expect_tree_layout("an empty map", std::map<std::string, std::string>{});
}

TEST(LayoutWriter, StreamsAPrettyDocumentBlockByBlock) {
    // Several of the default blocks long.
    std::vector<Target> targets(4000, Target{"t", "name", "s3", {}, 7, true, {"a", "b"}, {}});
    std::string streamed;
    std::size_t blocks = 0;
    write_pretty(targets, [&](std::string_view block) {
        streamed += block;
        ++blocks;
    });
    EXPECT_EQ(streamed, to_pretty(targets));
    EXPECT_GT(blocks, 2u);
}

}  // namespace
}  // namespace orrincore_json::testing
