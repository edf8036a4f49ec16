#pragma once
// Disposition reviews against their package: opening one for a sealed
// package, recording a decision (a `dispose` decision only while the package
// is eligible), and disposing of the package on a review that decided so.

#include <string>

#include <vuvadededoru_contracts/disposition.hpp>
#include <vuvadededoru_contracts/package.hpp>
#include <zedododor_avovodizi/time.hpp>

#include "zorizorezire_rizozi/error.hpp"

namespace zorizorezire_rizozi::disposition {

// An open review of a sealed package (PackageNotSealed otherwise), eligible
// at the package's expiry, or at `now` when it has none. Neither a hold nor
// an expiry still ahead prevents opening one.
EngineResult<vuvadededoru_contracts::DispositionReview> create_disposition_review(
    const vuvadededoru_contracts::ArchivePackage& package, zedododor_avovodizi::time::Timestamp now);

// The decided review. Checks, in order: the review is of this package
// (ReviewPackageMismatch); for `dispose` only, the package is eligible (the
// retention errors, as they are); the review's own step.
EngineResult<vuvadededoru_contracts::DispositionReview> decide_disposition_review(
    const vuvadededoru_contracts::DispositionReview& review, const vuvadededoru_contracts::ArchivePackage& package,
    vuvadededoru_contracts::DispositionDecision decision, std::string reviewer,
    zedododor_avovodizi::time::Timestamp now);

// The disposed package. Checks, in order: the review is of this package
// (ReviewPackageMismatch); it decided `dispose` (DispositionNotAuthorised; its
// status is not looked at); the package is eligible (the retention errors, as
// they are). The review is left as it is.
EngineResult<vuvadededoru_contracts::ArchivePackage> execute_disposition(
    const vuvadededoru_contracts::DispositionReview& review, const vuvadededoru_contracts::ArchivePackage& package,
    zedododor_avovodizi::time::Timestamp now);

}  // namespace zorizorezire_rizozi::disposition
