// Reading a condition takes two phases. The "op" tag may come after the
// operands, so the other entries of the object are first read as values of
// any kind and set aside as text; once the object has ended they are read
// again as the operands of the tagged operation. Errors found in them are
// reported at the end of the condition's object (or array).

#include <array>
#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <tuple>
#include <utility>
#include <vector>

#include <fmt/format.h>
#include <orrincore_json/enumeration.hpp>
#include <orrincore_json/field_messages.hpp>

#include "orrincore_policy/condition.hpp"

namespace orrincore_json {

namespace {

using Condition = orrincore_policy::eval::PolicyCondition;
using orrincore_policy::eval::condition_operation_count;
using orrincore_policy::eval::condition_operations;

constexpr std::string_view condition_expectation = "internally tagged enum PolicyCondition";

constexpr auto words = std::apply(
    [](const auto&... operation) { return std::array<std::string_view, condition_operation_count>{operation.word...}; },
    condition_operations);

// Whether `key` is an operand of some operation, so worth keeping until the
// tag is known.
bool is_operand_key(std::string_view key) {
    return std::apply(
        [&](const auto&... operation) {
            return (
                std::apply([&](const auto&... operand) { return ((operand.key == key) || ...); }, operation.operands) ||
                ...);
        },
        condition_operations);
}

// Calls `f` with the operation at `index`.
template <class F>
auto with_operation(std::size_t index, F&& f) {
    using Result = decltype(f(std::get<0>(condition_operations)));
    std::optional<Result> result;
    [&]<std::size_t... I>(std::index_sequence<I...>) {
        ((I == index ? (void)result.emplace(f(std::get<I>(condition_operations))) : (void)0), ...);
    }
    (std::make_index_sequence<condition_operation_count>{});
    return *std::move(result);
}

// Reads the operand's value from the text set aside and stores it in `out`;
// the message of the failure otherwise.
template <class Operand, class V>
std::optional<std::string> read_operand(const Operand& operand, std::string_view text, V& out) {
    Reader reader(text);
    auto value = Operand::codec::read(reader);
    if (!value) return value.error().message();
    out.*operand.member = std::move(*value);
    return std::nullopt;
}

struct Entry {
    std::string key;
    std::string_view text;
};

// Calls f(index, operand) for each operand of `operation`, in order.
template <class Operation, class F>
void for_each_operand(const Operation& operation, F&& f) {
    std::apply(
        [&](const auto&... operand) {
            [[maybe_unused]] std::size_t index = 0;
            (f(index++, operand), ...);
        },
        operation.operands);
}

// The operands of `operation` from the entries set aside, in document order:
// other keys are ignored, a repeated operand key fails there, then missing
// operands fail in operand order.
template <class Operation>
ReadResult<Condition> build_from_entries(Reader& reader, const Operation& operation, std::span<const Entry> entries) {
    typename Operation::variant_type built{};
    std::array<bool, std::tuple_size_v<decltype(operation.operands)>> seen{};
    for (const Entry& entry : entries) {
        std::optional<std::string> failure;
        for_each_operand(operation, [&](std::size_t index, const auto& operand) {
            if (operand.key != entry.key) return;
            failure = seen[index] ? duplicate_field_message(operand.key) : read_operand(operand, entry.text, built);
            seen[index] = true;
        });
        if (failure) return std::unexpected(reader.fail_object(std::move(*failure)));
    }
    std::optional<std::string_view> missing;
    for_each_operand(operation, [&](std::size_t index, const auto& operand) {
        if (!missing && !seen[index]) missing = operand.key;
    });
    if (missing) return std::unexpected(reader.fail_object(missing_field_message(*missing)));
    if (auto end = reader.end_object(); !end) return std::unexpected(std::move(end).error());
    return Condition(std::move(built));
}

// The operands of `operation` from the elements after the tag, in operand
// order.
template <class Operation>
ReadResult<Condition> build_from_elements(Reader& reader, const Operation& operation,
                                          std::span<const std::string_view> elements) {
    typename Operation::variant_type built{};
    constexpr std::size_t count = std::tuple_size_v<decltype(operation.operands)>;
    std::optional<std::string> failure;
    for_each_operand(operation, [&](std::size_t index, const auto& operand) {
        if (failure) return;
        if (index == elements.size()) {
            failure = invalid_length_message(
                index, fmt::format("struct variant PolicyCondition::{} with {}", operation.name, element_count(count)));
        } else {
            failure = read_operand(operand, elements[index], built);
        }
    });
    if (!failure && elements.size() > count)
        failure = invalid_length_message(elements.size(), element_count(count) + " in sequence");
    if (failure) return std::unexpected(reader.fail_array(std::move(*failure)));
    if (auto end = reader.end_array(); !end) return std::unexpected(std::move(end).error());
    return Condition(std::move(built));
}

ReadResult<Condition> read_object(Reader& reader) {
    std::optional<std::size_t> op;
    std::vector<Entry> entries;
    Cursor cursor;
    for (;;) {
        auto key = reader.next_key(cursor);
        if (!key) return std::unexpected(std::move(key).error());
        if (!*key) break;
        if (**key == "op") {
            if (op) return std::unexpected(reader.fail_object(duplicate_field_message("op")));
            if (auto colon = reader.read_colon(); !colon) return std::unexpected(std::move(colon).error());
            auto tag = read_word(reader, words);
            if (!tag) return std::unexpected(std::move(tag).error());
            op = *tag;
            continue;
        }
        // Keys that are no operation's operand are still read in full, but not kept.
        std::optional<std::string> kept;
        if (is_operand_key(**key)) kept.emplace(**key);
        if (auto colon = reader.read_colon(); !colon) return std::unexpected(std::move(colon).error());
        auto text = reader.read_any();
        if (!text) return std::unexpected(std::move(text).error());
        if (kept) entries.push_back({std::move(*kept), *text});
    }
    if (!op) return std::unexpected(reader.fail_object(missing_field_message("op")));
    return with_operation(*op, [&](const auto& operation) { return build_from_entries(reader, operation, entries); });
}

// The tag, then the operands in order, without keys.
ReadResult<Condition> read_array(Reader& reader) {
    Cursor cursor;
    auto first = reader.next_element(cursor);
    if (!first) return std::unexpected(std::move(first).error());
    if (!*first) return std::unexpected(reader.fail_array(missing_field_message("op")));
    auto op = read_word(reader, words);
    if (!op) return std::unexpected(std::move(op).error());

    std::vector<std::string_view> elements;
    for (;;) {
        auto more = reader.next_element(cursor);
        if (!more) return std::unexpected(std::move(more).error());
        if (!*more) break;
        auto text = reader.read_any();
        if (!text) return std::unexpected(std::move(text).error());
        elements.push_back(*text);
    }
    return with_operation(*op, [&](const auto& operation) { return build_from_elements(reader, operation, elements); });
}

}  // namespace

ReadResult<Condition> Json<Condition>::read(Reader& reader) {
    auto form = reader.begin_struct(condition_expectation);
    if (!form) return std::unexpected(std::move(form).error());
    return *form == StructForm::object ? read_object(reader) : read_array(reader);
}

}  // namespace orrincore_json
