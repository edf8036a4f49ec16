#include "orrincore_json/layout_writer.hpp"

#include <orrincore_error/text.hpp>

#include "orrincore_json/document.hpp"

namespace orrincore_json::detail {
namespace {

constexpr std::string_view spaces = "                                                                ";

}  // namespace

template <class Output>
void LayoutWriter<Output>::open(char bracket) {
    out_.put(bracket);
    filled_.push_back(false);
}

template <class Output>
void LayoutWriter<Output>::close(char bracket) {
    const bool filled = filled_.back();
    filled_.pop_back();
    if (filled && pretty_) new_line();
    out_.put(bracket);
}

template <class Output>
void LayoutWriter<Output>::next_member() {
    if (filled_.back()) out_.put(',');
    filled_.back() = true;
    if (pretty_) new_line();
}

template <class Output>
void LayoutWriter<Output>::new_line() {
    out_.put('\n');
    for (std::size_t indent = 2 * filled_.size(); indent > 0;) {
        const std::size_t run = std::min(indent, spaces.size());
        out_.put(spaces.substr(0, run));
        indent -= run;
    }
}

template <class Output>
void LayoutWriter<Output>::put_text(std::string_view text) {
    if (orrincore_error::is_valid_utf8(text)) return put_json_string(text, out_);
    out_.put(dump_compact(nlohmann::ordered_json(std::string(text))));
}

template <class Output>
void LayoutWriter<Output>::put_tree(const nlohmann::ordered_json& value) {
    if (!pretty_) return out_.put(dump_compact(value));
    // Newlines in its text are all layout (a string's are escaped): each
    // line goes one level in for every level the value is nested at.
    const std::string text = dump_pretty(value);
    std::size_t start = 0;
    for (std::size_t newline = text.find('\n'); newline != std::string::npos; newline = text.find('\n', start)) {
        out_.put(std::string_view(text).substr(start, newline - start));
        new_line();
        start = newline + 1;
    }
    out_.put(std::string_view(text).substr(start));
}

template class LayoutWriter<CollectingOutput>;
template class LayoutWriter<StreamingOutput>;

}  // namespace orrincore_json::detail
