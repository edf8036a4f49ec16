#pragma once
// Enumerations without data: a table of (value, word, debug name) gives the
// JSON form, the word and the debug name.
//
//     enum class Reason { personal_data, secret };
//
//     template <>
//     struct orrincore_json::EnumTable<Reason> {
//         static constexpr EnumEntry<Reason> entries[] = {
//             {Reason::personal_data, "personal_data", "PersonalData"},
//             {Reason::secret, "secret", "Secret"},
//         };
//     };
//
//     orrincore_json::word(Reason::secret)        // "secret"
//     orrincore_json::debug_name(Reason::secret)  // "Secret"
//     orrincore_json::from_word<Reason>("secret") // Reason::secret
//
// Written as the word. Read from the word (case matters) or from an object
// holding the word as its one key with the value null; any other word fails
// with "unknown variant `{word}`, expected {list}" (list in table order); a
// value that is neither a string nor an object fails with "expected value".

#include <array>
#include <cstddef>
#include <iterator>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>

#include "orrincore_json/json.hpp"

namespace orrincore_json {

template <class E>
struct EnumEntry {
    E value;
    std::string_view word;
    std::string_view debug_name;
};

template <class E>
struct EnumTable;

// A word and its debug name in a list that several enumerations share.
struct EnumWords {
    std::string_view word;
    std::string_view debug_name;
};

// The table of an enumeration whose values, in declaration order, take the
// words of `words`: separate types that read and write the same words.
//
//     template <>
//     struct orrincore_json::EnumTable<Kind> : orrincore_json::WordTable<Kind, kind_words> {};
template <class E, const auto& words>
struct WordTable {
    static constexpr auto entries = [] {
        std::array<EnumEntry<E>, std::size(words)> table{};
        for (std::size_t i = 0; i < table.size(); ++i)
            table[i] = {static_cast<E>(i), words[i].word, words[i].debug_name};
        return table;
    }();
};

template <class E>
concept TabledEnum = std::is_enum_v<E> && requires {
    EnumTable<E>::entries;
};

namespace detail {

// Reads a word of `words` in either enumeration form; returns its index.
ReadResult<std::size_t> read_variant(Reader& reader, std::span<const std::string_view> words);

template <class E>
constexpr std::size_t entry_count = std::size(EnumTable<E>::entries);

template <class E>
constexpr auto words_of() {
    std::array<std::string_view, entry_count<E>> words{};
    for (std::size_t i = 0; i < words.size(); ++i) words[i] = EnumTable<E>::entries[i].word;
    return words;
}

template <class E>
constexpr bool words_are_plain() {
    for (const auto& entry : EnumTable<E>::entries)
        if (!is_plain_text(entry.word)) return false;
    return true;
}

template <class E>
constexpr const EnumEntry<E>* entry_of(E value) {
    for (const auto& entry : EnumTable<E>::entries)
        if (entry.value == value) return &entry;
    return nullptr;
}

}  // namespace detail

// The word of a value ("" for a value the table does not list).
template <TabledEnum E>
constexpr std::string_view word(E value) {
    const auto* entry = detail::entry_of(value);
    return entry ? entry->word : std::string_view{};
}

// The debug name (CamelCase) of a value ("" for a value the table does not list).
template <TabledEnum E>
constexpr std::string_view debug_name(E value) {
    const auto* entry = detail::entry_of(value);
    return entry ? entry->debug_name : std::string_view{};
}

// The value whose word is exactly `text`.
template <TabledEnum E>
constexpr std::optional<E> from_word(std::string_view text) {
    for (const auto& entry : EnumTable<E>::entries)
        if (entry.word == text) return entry.value;
    return std::nullopt;
}

// The list of words as the unknown-variant message shows it:
// "`a`", "`a` or `b`", "one of `a`, `b`, `c`".
std::string word_list(std::span<const std::string_view> words);

// The index of the word a JSON string holds, which must be exactly one of
// `words`: another kind of value fails as an invalid type expecting
// "variant identifier", another word with "unknown variant `{word}`,
// expected {list}". Also the reader of tags, such as a condition's "op".
ReadResult<std::size_t> read_word(Reader& reader, std::span<const std::string_view> words);

template <TabledEnum E>
struct Json<E> {
    static ReadResult<E> read(Reader& reader) {
        static constexpr auto words = detail::words_of<E>();
        auto index = detail::read_variant(reader, words);
        if (!index) return std::unexpected(std::move(index).error());
        return EnumTable<E>::entries[*index].value;
    }

    template <class J>
    static J write(E value) {
        return J(std::string(word(value)));
    }

    static std::string_view plain_text(E value, PlainBuffer&) requires(detail::words_are_plain<E>()) {
        return word(value);
    }
};

}  // namespace orrincore_json
