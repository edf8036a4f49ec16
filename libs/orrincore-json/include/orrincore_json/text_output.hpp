#pragma once
// Where the JSON writers write a document, in one pass: gathered whole into
// one string (CollectingOutput) or handed on block by block as it is written
// (StreamingOutput); and the JSON pieces that every writer writes alike:
// string literals and integers.

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

// Gives a block back as it was taken.
struct BlockRelease {
    std::size_t capacity = 0;
    void operator()(char* bytes) const;
};
using BlockBytes = std::unique_ptr<char[], BlockRelease>;

}  // namespace detail

// The writing core of both outputs: bytes go into the current block, and only
// when it is full does the output at hand decide what becomes of it.
class TextOutput {
public:
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

protected:
    // The first block is part of the output: most records fit in it and need
    // no allocation at all.
    static constexpr std::size_t first_capacity = 1024;

    explicit TextOutput(std::size_t capacity = first_capacity) : capacity_(capacity) {}
    ~TextOutput() = default;

    // Called when the current block is full and more is to be written; it
    // leaves a block with free space in block_.
    virtual void next_block() = 0;

    char first_[first_capacity];
    char* block_ = first_;
    std::size_t used_ = 0;
    std::size_t capacity_;

private:
    void put_long(std::string_view bytes);
};

// Gathers bytes in blocks that never move, then hands them over as one string
// of exactly their size. A string grown as it is written copies itself at
// every doubling and, at the last one, briefly holds three times the
// document; here each block is given back as soon as it is copied into the
// string, whose pages count only once they are written, so the memory in
// use is the document once and one block more.
class CollectingOutput final : public TextOutput {
public:
    CollectingOutput() = default;

    // Every byte written so far, in order; the output is empty afterwards.
    std::string take();

private:
    struct Block {
        detail::BlockBytes bytes;
        std::size_t size;
    };

    void next_block() override;

    std::vector<Block> full_;  // before the current block, in order
    detail::BlockBytes current_;
};

// Hands each block to its sink as soon as it is full, and the last, partly
// filled one on finish(), so that a document of any size is written out in
// the memory of one block.
class StreamingOutput final : public TextOutput {
public:
    using Sink = std::function<void(std::string_view)>;

    // Beyond the first block of a document, one block of this size is
    // reused: few large writes rather than many small ones.
    static constexpr std::size_t default_block_capacity = 256 * 1024;

    // Every block handed to `sink` but the last is full: the first holds the
    // smaller of first_capacity and `block_capacity` (at least 1) bytes, the
    // others `block_capacity`.
    explicit StreamingOutput(Sink sink, std::size_t block_capacity = default_block_capacity);

    // Hands the bytes written since the last full block to the sink.
    void finish();

private:
    void next_block() override;

    Sink sink_;
    std::size_t block_capacity_;
    detail::BlockBytes larger_;  // the block after the first
};

// Writes `text` as a JSON string literal, quotes included, escaping only what
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

// The scalars that every JSON writer of the record walk writes alike, into
// an output of its own: kept inside the writer, the output's position is
// read without going through a pointer at every write.
template <class Output>
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

    // What was written, as the output's type gives it.
    Output& output() { return out_; }

protected:
    template <class... Arguments>
    explicit JsonScalarWriter(Arguments&&... arguments) : out_(std::forward<Arguments>(arguments)...) {}

    Output out_;
};

}  // namespace orrincore_json
