#pragma once
// The one walk over a JSON value that canonical JSON makes: depth first, in
// document order, without recursion.

#include <nlohmann/json.hpp>

#include <cstddef>
#include <iterator>
#include <vector>

namespace orrincore_crypto::canonical::detail {

// Visits `root` depth first: array elements in order, object members in the
// map's ascending byte order of their keys. The open arrays and objects are
// kept on a stack of our own, so a value nested a million levels deep is
// walked like a flat one. A visitor call that returns false ends the walk
// there, and walk returns false.
//
// The calls for one value: scalar(value) for anything but an array or an
// object; begin_array(elements), then element(index) and the element's own
// calls for each element, then end_array(); begin_object(entries), then
// member(key, index) and the value's own calls for each member, then
// end_object().
template <class Visitor>
bool walk(const nlohmann::json& root, Visitor& visitor) {
    using nlohmann::json;
    struct Open {
        const json::array_t* elements;  // null for an object
        const json::object_t* entries;  // null for an array
        std::size_t index;              // of the next element or member
        json::object_t::const_iterator member;
    };
    std::vector<Open> open;
    open.reserve(16);  // deeper than any record

    // Scalars are visited on the spot; an array or object is opened and
    // visited member by member below.
    const auto enter = [&](const json& value) {
        if (const auto* elements = value.get_ptr<const json::array_t*>()) {
            if (!visitor.begin_array(*elements)) return false;
            open.push_back({elements, nullptr, 0, {}});
            return true;
        }
        if (const auto* entries = value.get_ptr<const json::object_t*>()) {
            if (!visitor.begin_object(*entries)) return false;
            open.push_back({nullptr, entries, 0, entries->begin()});
            return true;
        }
        return visitor.scalar(value);
    };

    if (!enter(root)) return false;
    while (!open.empty()) {
        Open& innermost = open.back();
        if (innermost.elements != nullptr) {
            const json::array_t& elements = *innermost.elements;
            std::size_t index = innermost.index;
            for (; index < elements.size(); ++index) {
                const json& element = elements[index];
                if (!visitor.element(index)) return false;
                if (element.is_structured()) break;
                if (!visitor.scalar(element)) return false;
            }
            if (index == elements.size()) {
                if (!visitor.end_array()) return false;
                open.pop_back();
                continue;
            }
            innermost.index = index + 1;
            if (!enter(elements[index])) return false;  // may move `innermost`
        } else {
            const json::object_t& entries = *innermost.entries;
            auto member = innermost.member;
            std::size_t index = innermost.index;
            for (; member != entries.end(); ++member, ++index) {
                if (!visitor.member(member->first, index)) return false;
                if (member->second.is_structured()) break;
                if (!visitor.scalar(member->second)) return false;
            }
            if (member == entries.end()) {
                if (!visitor.end_object()) return false;
                open.pop_back();
                continue;
            }
            innermost.member = std::next(member);
            innermost.index = index + 1;
            if (!enter(member->second)) return false;  // may move `innermost`
        }
    }
    return true;
}

}  // namespace orrincore_crypto::canonical::detail
