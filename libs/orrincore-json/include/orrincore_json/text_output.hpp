#pragma once
// The bytes of a document as a writer makes them, in one pass, and the JSON
// pieces that every writer puts: string literals and integers.

#include <charconv>
#include <cstddef>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace orrincore_json {
namespace detail {

// Gives a block of a TextOutput back as it was taken.
struct BlockRelease {
    std::size_t capacity = 0;
    void operator()(char* bytes) const;
};

}  // namespace detail

// Gathers bytes in blocks that never move, then hands them over as one string
// of exactly their size. A string grown as it is written copies itself at
// every doubling and, at the last one, briefly holds three times the
// document; here each block is given back as soon as it is copied into the
// string, whose pages count only once they are written, so the memory in
// use is the document once and one block more.
//
// Or, given a drain, it hands its bytes over as they come, a block at a time,
// and holds no more than one block of a document of any size.
class TextOutput {
public:
    using Drain = std::function<void(std::string_view)>;

    TextOutput() = default;
    explicit TextOutput(Drain drain);
    TextOutput(const TextOutput&) = delete;
    TextOutput& operator=(const TextOutput&) = delete;

    [[gnu::always_inline]] void put(char byte) {
        if (used_ == capacity_) [[unlikely]]
            next_block();
        block_[used_++] = byte;
    }
    [[gnu::always_inline]] void put(std::string_view bytes) {
        if (bytes.size() > capacity_ - used_) [[unlikely]] {
            put_long(bytes);
            return;
        }
        std::memcpy(block_ + used_, bytes.data(), bytes.size());
        used_ += bytes.size();
    }

    // Every byte put so far, in order; the output is empty afterwards.
    // Without a drain only.
    std::string take();

    // Hands the bytes not yet drained to the drain.
    void finish();

private:
    using BlockBytes = std::unique_ptr<char[], detail::BlockRelease>;
    struct Block {
        BlockBytes bytes;
        std::size_t size;
    };

    static BlockBytes allocate(std::size_t capacity);
    void next_block();
    void put_long(std::string_view bytes);

    Drain drain_;
    std::vector<Block> full_;  // before the current block, in order
    BlockBytes current_;
    char first_[1024];  // most records fit here and need no block at all
    char* block_ = first_;
    std::size_t used_ = 0;
    std::size_t capacity_ = sizeof first_;
};

// Puts `text` as a JSON string literal, quotes included, escaping only what
// JSON requires: the quote, the backslash and the control characters, the
// usual ones by letter and the others as \u00XX in lower-case hex. The
// canonical form and the record files escape alike; `text` is UTF-8.
void put_json_string(std::string_view text, TextOutput& out);

template <class Integer>
void put_integer(Integer value, TextOutput& out) {
    char digits[24];
    const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    out.put(std::string_view(digits, static_cast<std::size_t>(end - digits)));
}

// The scalars that every JSON writer of the record walk puts alike.
class JsonScalarWriter {
public:
    void null() { out_.put("null"); }
    void boolean(bool value) { out_.put(value ? std::string_view("true") : std::string_view("false")); }
    template <class Integer>
    void integer(Integer value) {
        put_integer(value, out_);
    }
    // A string that needs no escaping (ASCII, no quote, backslash or control).
    void plain(std::string_view text) {
        out_.put('"');
        out_.put(text);
        out_.put('"');
    }

protected:
    JsonScalarWriter() = default;
    explicit JsonScalarWriter(TextOutput::Drain drain) : out_(std::move(drain)) {}

    TextOutput out_;
};

}  // namespace orrincore_json
