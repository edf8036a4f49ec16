#pragma once
// Putting a legal hold on an archive package and taking it off again. A hold
// reaches a package only while active and leaves it only once released, and
// a package carries at most one hold: a second hold never replaces the
// first, and a released hold clears only the hold the package carries.

#include <vuvadededoru_contracts/legal_hold.hpp>
#include <vuvadededoru_contracts/package.hpp>

#include "zorizorezire_rizozi/error.hpp"

namespace zorizorezire_rizozi::legal_hold {

// The package carrying `hold`. Checks, in order: the hold is active
// (HoldNotActive); the package carries no other hold
// (PackageCarriesOtherLegalHold; carrying this very hold changes nothing);
// the package's own step (a disposed package is refused).
EngineResult<vuvadededoru_contracts::ArchivePackage> assign_legal_hold(
    const vuvadededoru_contracts::LegalHold& hold, const vuvadededoru_contracts::ArchivePackage& package);

// The package without its hold. Checks, in order: the hold is released
// (HoldNotReleased); the package carries a hold (NoActiveLegalHold, wrapped);
// that hold is `hold` (LegalHoldMismatch).
EngineResult<vuvadededoru_contracts::ArchivePackage> release_legal_hold_from_package(
    const vuvadededoru_contracts::LegalHold& hold, const vuvadededoru_contracts::ArchivePackage& package);

}  // namespace zorizorezire_rizozi::legal_hold
