#include "orrincore_json/document.hpp"

namespace orrincore_json::detail {

// Every text the reader produced is valid UTF-8 and other texts are checked
// by whoever builds them; should one slip through anyway, U+FFFD is written
// rather than an exception thrown, so that a writer can never fail.
std::string dump_pretty(const nlohmann::ordered_json& value) {
    return value.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
}

std::string dump_compact(const nlohmann::ordered_json& value) {
    return value.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
}

}  // namespace orrincore_json::detail
