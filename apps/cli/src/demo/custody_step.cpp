// Step 10: the chain of custody of the run, verified, then refused once a
// copy of it has been tampered with.
#include <array>

#include <fmt/format.h>
#include <zorizorezire_rizozi/custody.hpp>

#include "demo/fixed_data.hpp"
#include "demo/narration.hpp"
#include "demo/steps.hpp"

namespace vevizovuvazavad::demo {
namespace {

namespace custody = zorizorezire_rizozi::custody;
using orrincore_audit::AuditCategory;
using orrincore_audit::AuditResult;

// One custody event as the run describes it.
struct CustodyEventPlan {
    std::string target_id;  // the record's id as text
    std::string_view target_type;
    std::string_view action;
    AuditResult result;
    AuditCategory category;
};

// The six milestones of steps 1 to 9, in the order they are recorded. The
// fourth is the dispose decision that step 6 saw refused.
std::array<CustodyEventPlan, 6> planned_custody_events(const RunState& state) {
    return {{
        {state.target.value().id.to_string(), "archive_target", "archive.target.created", AuditResult::success,
         AuditCategory::configuration},
        {state.sealed_package.value().id.to_string(), "archive_package", "archive.package.sealed", AuditResult::success,
         AuditCategory::data_access},
        {state.approved_hold.value().id.to_string(), "legal_hold", "archive.legal_hold.approved", AuditResult::success,
         AuditCategory::policy},
        {state.held_package.value().id.to_string(), "archive_package", "archive.disposition.decided",
         AuditResult::denied, AuditCategory::policy},
        {state.released_hold.value().id.to_string(), "legal_hold", "archive.legal_hold.released", AuditResult::success,
         AuditCategory::policy},
        {state.disposed_package.value().id.to_string(), "archive_package", "archive.disposition.completed",
         AuditResult::success, AuditCategory::data_access},
    }};
}

}  // namespace

orrincore_error::Result<orrincore_audit::SignedAuditEvent> record_custody_event(
    orrincore_audit::AuditChain& chain, const orrincore_crypto::SigningKey& key, orrincore_audit::Actor actor,
    std::string_view target_type, std::string target_id, std::string_view action, AuditResult result,
    AuditCategory category, zedododor_avovodizi::time::Timestamp occurred_at) {
    orrincore_audit::Target target{std::string(target_type), std::move(target_id)};
    auto event = orrincore_audit::AuditEvent::create(custody::product_id(), std::move(actor), std::move(target), action,
                                                     result, category, occurred_at);
    return chain.append(std::move(event), key);
}

HandlerResult record_chain_of_custody(RunState& state) {
    print_title("10. Chain of custody: hash-chained, signed audit trail of everything above");
    for (const auto stage : {record_custody, verify_custody, refuse_tampered_custody}) {
        if (auto done = stage(state); !done) return done;
    }
    return {};
}

HandlerResult record_custody(RunState& state) {
    state.custody_chain = orrincore_audit::AuditChain{};
    state.custody_events.clear();
    const orrincore_audit::Actor actor{orrincore_audit::ActorType::service, std::string(custody_actor_id),
                                       std::nullopt};
    for (auto& planned : planned_custody_events(state)) {
        auto event =
            record_custody_event(state.custody_chain, state.demo_key, actor, planned.target_type,
                                 std::move(planned.target_id), planned.action, planned.result, planned.category, now);
        if (!event) return std::unexpected(event.error().message());
        state.custody_events.push_back(*std::move(event));
    }
    return {};
}

HandlerResult verify_custody(RunState& state) {
    if (auto verified = custody::verify(state.custody_events, state.demo_key.verifying_key()); !verified) {
        return std::unexpected(verified.error().message());
    }
    print_ok(fmt::format("{}-event custody chain verified end to end (sequence 1..{})", state.custody_events.size(),
                         state.custody_chain.last_sequence));
    return {};
}

HandlerResult refuse_tampered_custody(RunState& state) {
    // A copy of every event: the recorded chain must still verify afterwards.
    auto tampered = state.custody_events;
    tampered.at(2).event.result = AuditResult::denied;
    auto verified = custody::verify(tampered, state.demo_key.verifying_key());
    if (verified) return std::unexpected(std::string("BUG: a tampered custody event must fail verification"));
    refused("tampered with event 3's result after the fact", verified.error());
    return {};
}

}  // namespace vevizovuvazavad::demo
