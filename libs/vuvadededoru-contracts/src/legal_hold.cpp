#include "vuvadededoru_contracts/legal_hold.hpp"

#include <string_view>
#include <utility>

#include <orrincore_error/text.hpp>

namespace vuvadededoru_contracts {
namespace {

constexpr std::string_view entity = "LegalHold";

bool allowed(LegalHoldStatus from, LegalHoldStatus to) {
    using S = LegalHoldStatus;
    switch (from) {
    case S::requested: return to == S::active || to == S::denied;
    case S::active: return to == S::release_requested || to == S::expired;
    case S::release_requested: return to == S::released;
    case S::released:
    case S::denied:
    case S::expired: return false;
    }
    return false;
}

}  // namespace

bool authorises_release(orrincore_policy::Decision decision) {
    return decision == orrincore_policy::Decision::allow || decision == orrincore_policy::Decision::warn;
}

ContractResult<LegalHold> LegalHold::create(Parameters parameters, zedododor_avovodizi::time::Timestamp now) {
    if (orrincore_error::is_blank(parameters.name)) return std::unexpected(EmptyField{"name"});
    if (orrincore_error::is_blank(parameters.scope)) return std::unexpected(EmptyField{"scope"});
    if (orrincore_error::is_blank(parameters.requested_by)) return std::unexpected(EmptyField{"requested_by"});
    return LegalHold{
        .id = LegalHoldId::generate(),
        .tenant_id = parameters.tenant_id,
        .workspace_id = parameters.workspace_id,
        .name = std::move(parameters.name),
        .description_redacted = {},
        .status = LegalHoldStatus::requested,
        .scope = std::move(parameters.scope),
        .reason_code = parameters.reason_code,
        .requested_by = std::move(parameters.requested_by),
        .approved_by = std::nullopt,
        .starts_at = std::nullopt,
        .released_at = std::nullopt,
        .created_at = now,
        .updated_at = now,
    };
}

ContractResult<LegalHold> LegalHold::transition(LegalHoldStatus to) const {
    if (!allowed(status, to))
        return std::unexpected(IllegalTransition{entity, orrincore_json::word(status), orrincore_json::word(to)});
    LegalHold next = *this;
    next.status = to;
    return next;
}

ContractResult<LegalHold> LegalHold::approve(std::string approver, zedododor_avovodizi::time::Timestamp now) const {
    auto next = transition(LegalHoldStatus::active);
    if (!next) return next;
    next->approved_by = std::move(approver);
    next->starts_at = now;
    next->updated_at = now;
    return next;
}

ContractResult<LegalHold> LegalHold::deny(std::string denier, zedododor_avovodizi::time::Timestamp now) const {
    auto next = transition(LegalHoldStatus::denied);
    if (!next) return next;
    next->approved_by = std::move(denier);
    next->updated_at = now;
    return next;
}

ContractResult<LegalHold> LegalHold::request_release(zedododor_avovodizi::time::Timestamp now) const {
    auto next = transition(LegalHoldStatus::release_requested);
    if (!next) return next;
    next->updated_at = now;
    return next;
}

ContractResult<LegalHold> LegalHold::release(std::string releaser, orrincore_policy::Decision decision,
                                             zedododor_avovodizi::time::Timestamp now) const {
    // The hold's state is refused first, whatever the decision.
    auto next = transition(LegalHoldStatus::released);
    if (!next) return next;
    if (!authorises_release(decision)) return std::unexpected(ReleaseNotAuthorised{});
    next->approved_by = std::move(releaser);
    next->released_at = now;
    next->updated_at = now;
    return next;
}

}  // namespace vuvadededoru_contracts
