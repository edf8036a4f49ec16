// libFuzzer target: arbitrary bytes read as each of the six archive record
// files. Whatever reads must write back (pretty and compact, as nlohmann's
// writer writes its value tree) and read again to an equal record, and give
// the same canonical bytes by the fast writers as by the full walk; a
// manifest read again must give the same canonical bytes.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include <orrincore_json/document.hpp>

#include <vevi_testing/canonical_agreement.hpp>
#include <vevi_testing/layout_agreement.hpp>
#include "vuvadededoru_contracts/disposition.hpp"
#include "vuvadededoru_contracts/legal_hold.hpp"
#include "vuvadededoru_contracts/manifest.hpp"
#include "vuvadededoru_contracts/package.hpp"
#include "vuvadededoru_contracts/retention.hpp"
#include "vuvadededoru_contracts/target.hpp"

namespace {

using namespace vuvadededoru_contracts;

template <class T>
void round_trip(std::string_view input) {
    auto first = orrincore_json::parse<T>(input);
    if (!first) {
        if (first.error().message().empty()) std::abort();
        return;
    }
    for (const std::string& text : {orrincore_json::to_pretty(*first), orrincore_json::to_compact(*first)}) {
        auto again = orrincore_json::parse<T>(text);
        if (!again || !(*again == *first)) std::abort();
    }
    vevi_testing::require_canonical_agreement(*first);
    vevi_testing::require_layout_agreement(*first);
    if constexpr (std::is_same_v<T, SealedManifest>) {
        // Text the reader accepted is UTF-8: its canonical bytes can always be made.
        auto bytes = first->manifest.canonical_bytes();
        if (!bytes) std::abort();
        auto again = orrincore_json::parse<T>(orrincore_json::to_compact(*first));
        if (again->manifest.canonical_bytes() != bytes) std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    round_trip<RetentionPolicy>(input);
    round_trip<ArchiveTarget>(input);
    round_trip<ArchivePackage>(input);
    round_trip<SealedManifest>(input);
    round_trip<LegalHold>(input);
    round_trip<DispositionReview>(input);
    return 0;
}
