#pragma once
// The identifiers of the archive records. Each is its own type: an id of one
// kind is never accepted where another kind (or a core id) is expected.
// Mint with `generate()`, show with `to_string()` (36-character lower-case
// hyphenated form); their JSON form is the JSON string of that text.

#include <string_view>

#include <zedododor_avovodizi/ids.hpp>
#include <zedododor_avovodizi/json.hpp>

namespace vuvadededoru_contracts {

struct ArchiveTargetIdTag {
    static constexpr std::string_view name = "ArchiveTargetId";
};
struct RetentionPolicyIdTag {
    static constexpr std::string_view name = "RetentionPolicyId";
};
struct ArchivePackageIdTag {
    static constexpr std::string_view name = "ArchivePackageId";
};
struct ArchiveManifestIdTag {
    static constexpr std::string_view name = "ArchiveManifestId";
};
struct LegalHoldIdTag {
    static constexpr std::string_view name = "LegalHoldId";
};
struct DispositionReviewIdTag {
    static constexpr std::string_view name = "DispositionReviewId";
};

using ArchiveTargetId = zedododor_avovodizi::ids::UuidId<ArchiveTargetIdTag>;
using RetentionPolicyId = zedododor_avovodizi::ids::UuidId<RetentionPolicyIdTag>;
using ArchivePackageId = zedododor_avovodizi::ids::UuidId<ArchivePackageIdTag>;
using ArchiveManifestId = zedododor_avovodizi::ids::UuidId<ArchiveManifestIdTag>;
using LegalHoldId = zedododor_avovodizi::ids::UuidId<LegalHoldIdTag>;
using DispositionReviewId = zedododor_avovodizi::ids::UuidId<DispositionReviewIdTag>;

}  // namespace vuvadededoru_contracts
