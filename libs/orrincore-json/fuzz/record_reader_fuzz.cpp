// libFuzzer target: arbitrary bytes into the record reader. Whatever reads
// must write as nlohmann's writer writes its value tree, read back to an
// equal record, and give the same value form.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include <vevi_testing/layout_agreement.hpp>

#include "../tests/test_records.hpp"

namespace {

using namespace orrincore_json;
using namespace orrincore_json::testing;

template <class T>
void round_trip(std::string_view input) {
    auto first = parse<T>(input);
    if (!first) {
        // Every failure is a message; the position, when given, lies in the input.
        const auto& error = first.error();
        if (error.message().empty()) std::abort();
        if (error.position() && error.position()->line > input.size() + 1) std::abort();
        return;
    }
    const nlohmann::json value = to_value(*first);
    (void)value.dump();
    vevi_testing::require_layout_agreement(*first);
    for (const std::string& text : {to_pretty(*first), to_compact(*first)}) {
        auto again = parse<T>(text);
        if (!again || !(*again == *first)) std::abort();
        if (to_value(*again) != value) std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    round_trip<Marker>(input);
    round_trip<Target>(input);
    round_trip<Event>(input);
    round_trip<Tree>(input);
    round_trip<std::vector<Marker>>(input);
    round_trip<std::map<std::string, std::vector<std::uint8_t>>>(input);
    return 0;
}
