#pragma once
// The one walk over a JSON value that canonical JSON makes: depth first, in
// document order, without recursion.

#include <nlohmann/json.hpp>

#include <cstddef>
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
        std::size_t index;
        json::object_t::const_iterator member;
    };
    std::vector<Open> open;
    const json* next = &root;
    for (;;) {
        if (next != nullptr) {
            if (next->is_array()) {
                const auto& elements = next->get_ref<const json::array_t&>();
                if (!visitor.begin_array(elements)) return false;
                open.push_back({&elements, nullptr, 0, {}});
            } else if (next->is_object()) {
                const auto& entries = next->get_ref<const json::object_t&>();
                if (!visitor.begin_object(entries)) return false;
                open.push_back({nullptr, &entries, 0, entries.begin()});
            } else if (!visitor.scalar(*next)) {
                return false;
            }
            next = nullptr;
        }
        if (open.empty()) return true;
        Open& innermost = open.back();
        if (innermost.elements != nullptr) {
            if (innermost.index < innermost.elements->size()) {
                if (!visitor.element(innermost.index)) return false;
                next = &(*innermost.elements)[innermost.index++];
                continue;
            }
            if (!visitor.end_array()) return false;
        } else {
            if (innermost.member != innermost.entries->end()) {
                if (!visitor.member(innermost.member->first, innermost.index++)) return false;
                next = &innermost.member->second;
                ++innermost.member;
                continue;
            }
            if (!visitor.end_object()) return false;
        }
        open.pop_back();
    }
}

}  // namespace orrincore_crypto::canonical::detail
