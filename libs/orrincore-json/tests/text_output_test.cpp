// The two outputs of the writing core: a text collected whole and a text
// streamed block by block give the same bytes, whatever the block size and
// however the writes fall across the blocks' ends.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "orrincore_json/text_output.hpp"

namespace orrincore_json {
namespace {

// Each output offers only what its job needs: there is no whole text of a
// streamed output, no stream without a sink, nothing to finish when collecting.
template <class Output>
concept gives_whole_text = requires(Output& out) {
    out.take();
};
template <class Output>
concept is_finished = requires(Output& out) {
    out.finish();
};
static_assert(gives_whole_text<CollectingOutput> && !gives_whole_text<StreamingOutput>);
static_assert(is_finished<StreamingOutput> && !is_finished<CollectingOutput>);
static_assert(!std::is_default_constructible_v<StreamingOutput>);
static_assert(!std::is_constructible_v<TextOutput>);

// Single bytes, short runs and texts several blocks long, and what they make.
std::string write_mixed(TextOutput& out) {
    std::string expected;
    const std::string long_text(5000, 'x');
    for (int i = 0; i < 300; ++i) {
        const std::string run = "run " + std::to_string(i);
        out.put('[');
        out.put(run);
        out.put(i % 50 == 0 ? std::string_view(long_text) : std::string_view(""));
        expected += '[' + run + (i % 50 == 0 ? long_text : "");
    }
    return expected;
}

TEST(TextOutput, CollectsEveryByteInOrderAcrossItsBlocks) {
    CollectingOutput out;
    const std::string expected = write_mixed(out);
    EXPECT_EQ(out.take(), expected);
    EXPECT_EQ(out.take(), "");
}

TEST(TextOutput, StreamsEveryByteInOrderInFullBlocks) {
    // Below, at and above the first block's capacity, and the default.
    for (const std::size_t capacity : {std::size_t{1}, std::size_t{7}, std::size_t{1024}, std::size_t{1025},
                                       std::size_t{4096}, StreamingOutput::default_block_capacity}) {
        SCOPED_TRACE(capacity);
        std::vector<std::size_t> sizes;
        std::string streamed;
        StreamingOutput out(
            [&](std::string_view block) {
                sizes.push_back(block.size());
                streamed += block;
            },
            capacity);
        const std::string expected = write_mixed(out);
        out.finish();
        EXPECT_EQ(streamed, expected);

        ASSERT_FALSE(sizes.empty());
        const std::size_t first = std::min<std::size_t>(capacity, 1024);
        if (sizes.size() > 1) {
            EXPECT_EQ(sizes.front(), first);
        }
        for (std::size_t i = 1; i + 1 < sizes.size(); ++i) {
            EXPECT_EQ(sizes[i], capacity) << "block " << i;
        }
        EXPECT_GT(sizes.back(), 0u);
    }
}

}  // namespace
}  // namespace orrincore_json
