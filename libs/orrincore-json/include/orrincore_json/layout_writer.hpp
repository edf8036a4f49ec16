#pragma once
// The record files' and the `--json` output's writer: what the record walk
// hands it, in the layout of nlohmann's writer, compact or indented by two
// spaces a level. It writes the bytes that writer gives for the record's
// value tree, which is never built whole: only a leaf with no pieces of its
// own (a map, a value of its own codec) goes through that writer.

#include <cstddef>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <nlohmann/json.hpp>

#include "orrincore_json/record_walk.hpp"
#include "orrincore_json/text_output.hpp"

namespace orrincore_json::detail {

enum class Layout { compact, pretty };

// Output is CollectingOutput or StreamingOutput, constructed from `arguments`.
template <class Output>
class LayoutWriter : public JsonScalarWriter<Output> {
public:
    static constexpr bool sorted_keys = false;
    template <class R>
    static constexpr bool takes_record = true;

    template <class... Arguments>
    explicit LayoutWriter(Layout layout, Arguments&&... arguments)
        : JsonScalarWriter<Output>(std::forward<Arguments>(arguments)...), pretty_(layout == Layout::pretty) {}

    void begin_object() { open('{'); }
    void key(std::string_view key) {
        next_member();
        put_text(key);
        out_.put(pretty_ ? std::string_view(": ") : std::string_view(":"));
    }
    void plain_key(std::string_view key) {
        next_member();
        this->plain(key);
        out_.put(pretty_ ? std::string_view(": ") : std::string_view(":"));
    }
    void end_object() { close('}'); }
    void begin_array() { open('['); }
    void element(std::size_t) { next_member(); }
    void end_array() { close(']'); }

    bool text(const std::string& text) {
        put_text(text);
        return true;
    }
    template <class Codec, class T>
    bool leaf(const T& value) {
        put_tree(Codec::template write<nlohmann::ordered_json>(value));
        return true;
    }

private:
    using JsonScalarWriter<Output>::out_;

    void open(char bracket);
    void close(char bracket);
    void next_member();
    void new_line();
    // A string, the writer's replacement character in place of any byte
    // that is not UTF-8.
    void put_text(std::string_view text);
    // A value nothing else fits, written by nlohmann's writer at this depth.
    void put_tree(const nlohmann::ordered_json& value);

    bool pretty_;
    std::vector<char> filled_;  // per open object or array: whether it has a member yet
};

extern template class LayoutWriter<CollectingOutput>;
extern template class LayoutWriter<StreamingOutput>;

}  // namespace orrincore_json::detail
