#include "orrincore_json/text_output.hpp"

#include <sys/mman.h>

#include <algorithm>
#include <array>
#include <new>

#include <orrincore_error/hex.hpp>

namespace orrincore_json {
namespace {

// Blocks double up to this size: a small document takes few allocations, a
// large one wastes at most one block's unused end.
constexpr std::size_t largest_block = 1 << 20;

// For each byte: 0 when it is written as it is, otherwise the letter after the
// backslash ('u' for the \u00XX form).
constexpr std::array<char, 256> escapes = [] {
    std::array<char, 256> table{};
    for (std::size_t c = 0; c < 0x20; ++c) table[c] = 'u';
    table['\b'] = 'b';
    table['\t'] = 't';
    table['\n'] = 'n';
    table['\f'] = 'f';
    table['\r'] = 'r';
    table['"'] = '"';
    table['\\'] = '\\';
    return table;
}();

// From this size on a block is mapped from the system rather than taken from
// the heap: freed, it goes straight back, whereas freed heap memory stays
// with the process while anything above it is in use, and the blocks of a
// large document would still count while its string is filled.
constexpr std::size_t smallest_mapped_block = 256 * 1024;

detail::BlockBytes allocate_block(std::size_t capacity) {
    if (capacity < smallest_mapped_block) return detail::BlockBytes(new char[capacity], detail::BlockRelease{capacity});
    void* mapped = ::mmap(nullptr, capacity, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapped == MAP_FAILED) throw std::bad_alloc();
    return detail::BlockBytes(static_cast<char*>(mapped), detail::BlockRelease{capacity});
}

}  // namespace

void detail::BlockRelease::operator()(char* bytes) const {
    if (capacity < smallest_mapped_block) {
        delete[] bytes;
    } else {
        ::munmap(bytes, capacity);
    }
}

void TextOutput::put_long(std::string_view bytes) {
    while (bytes.size() > capacity_ - used_) {
        const std::size_t free = capacity_ - used_;
        std::memcpy(block_ + used_, bytes.data(), free);
        used_ += free;
        bytes.remove_prefix(free);
        next_block();
    }
    std::memcpy(block_ + used_, bytes.data(), bytes.size());
    used_ += bytes.size();
}

void CollectingOutput::next_block() {
    if (block_ == first_) {
        auto bytes = allocate_block(used_);
        std::memcpy(bytes.get(), first_, used_);
        full_.push_back({std::move(bytes), used_});
    } else {
        full_.push_back({std::move(current_), used_});
    }
    capacity_ = std::min(capacity_ * 2, largest_block);
    current_ = allocate_block(capacity_);
    block_ = current_.get();
    used_ = 0;
}

std::string CollectingOutput::take() {
    std::size_t total = used_;
    for (const Block& block : full_) total += block.size;
    std::string text;
    text.resize_and_overwrite(total, [&](char* out, std::size_t) {
        // Each block goes as soon as it is copied.
        for (Block& block : full_) {
            std::memcpy(out, block.bytes.get(), block.size);
            out += block.size;
            block.bytes.reset();
        }
        std::memcpy(out, block_, used_);
        return total;
    });
    full_.clear();
    current_.reset();
    block_ = first_;
    used_ = 0;
    capacity_ = first_capacity;
    return text;
}

StreamingOutput::StreamingOutput(Sink sink, std::size_t block_capacity)
    : TextOutput(std::clamp<std::size_t>(block_capacity, 1, first_capacity)),
      sink_(std::move(sink)),
      block_capacity_(std::max<std::size_t>(block_capacity, 1)) {}

void StreamingOutput::next_block() {
    finish();
    // Most records fit the first block; a longer document goes on through
    // one larger block, used again each time it is full.
    if (block_ == first_ && block_capacity_ > capacity_) {
        larger_ = allocate_block(block_capacity_);
        block_ = larger_.get();
        capacity_ = block_capacity_;
    }
}

void StreamingOutput::finish() {
    sink_(std::string_view(block_, used_));
    used_ = 0;
}

void put_json_string(std::string_view text, TextOutput& out) {
    out.put('"');
    std::size_t run = 0;  // start of the bytes not yet written
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        const char escape = escapes[byte];
        if (escape == 0) continue;
        out.put(text.substr(run, i - run));
        out.put('\\');
        out.put(escape);
        if (escape == 'u') {
            out.put("00");
            out.put(std::string_view(orrincore_error::hex::lower_digits(byte).data(), 2));
        }
        run = i + 1;
    }
    out.put(text.substr(run));
    out.put('"');
}

}  // namespace orrincore_json
