// The demo's steps handed crafted run states: every self-check reachable
// without weakening a lifecycle rule, the lines printed before a step stops,
// and labels made from the verdicts returned.
#include <unistd.h>

#include <array>
#include <cstdio>
#include <functional>
#include <stdexcept>

#include <gtest/gtest.h>
#include <orrincore_error/hex.hpp>
#include <zorizorezire_rizozi/custody.hpp>

#include "demo/steps.hpp"
#include "demo_text.hpp"

namespace {

namespace demo = vevizovuvazavad::demo;
using demo::RunState;
using vevizovuvazavad::HandlerResult;
using orrincore_audit::AuditCategory;
using orrincore_audit::AuditResult;
using vevizovuvazavad::testing::masked;

// While alive, the process's standard output goes to a temporary file, as
// the steps write it.
class CapturedStdout {
public:
    CapturedStdout() : file_(std::tmpfile()), saved_(::dup(STDOUT_FILENO)) {
        if (file_ == nullptr || saved_ < 0) throw std::runtime_error("cannot capture standard output");
        std::fflush(stdout);
        ::dup2(::fileno(file_), STDOUT_FILENO);
    }
    ~CapturedStdout() {
        restore();
        std::fclose(file_);
    }
    CapturedStdout(const CapturedStdout&) = delete;
    CapturedStdout& operator=(const CapturedStdout&) = delete;

    // What was written so far, masked.
    std::string text() {
        restore();
        std::string content;
        std::rewind(file_);
        for (int c = std::fgetc(file_); c != EOF; c = std::fgetc(file_)) content.push_back(static_cast<char>(c));
        return masked(content);
    }

private:
    void restore() {
        if (saved_ < 0) return;
        ::dup2(saved_, STDOUT_FILENO);
        ::close(saved_);
        saved_ = -1;
    }

    std::FILE* file_;
    int saved_;
};

struct Outcome {
    HandlerResult result;
    std::string printed;  // masked
};

Outcome run_step(HandlerResult (*step)(RunState&), RunState& state) {
    CapturedStdout captured;
    auto result = step(state);
    return {std::move(result), captured.text()};
}

// A fresh run state taken through the first `count` steps.
RunState state_after(std::size_t count) {
    auto state = RunState::set_up();
    for (std::size_t i = 0; i < count; ++i) {
        const auto outcome = run_step(demo::lifecycle_steps[i], state);
        if (!outcome.result) throw std::runtime_error(outcome.result.error());
    }
    return state;
}

void succeed(HandlerResult (*stage)(RunState&), RunState& state) {
    const auto outcome = run_step(stage, state);
    ASSERT_TRUE(outcome.result) << outcome.result.error();
}

orrincore_policy::VerifiedRuleset verified(orrincore_policy::PolicyRuleset ruleset) {
    return std::move(ruleset).verify().value();
}

// Records events 1 to 3 with the given results on a new chain.
void record_three_events(RunState& state, AuditResult third) {
    state.custody_chain = {};
    state.custody_events.clear();
    for (const auto result : {AuditResult::success, AuditResult::success, third}) {
        auto event = demo::record_custody_event(
            state.custody_chain, state.demo_key, {orrincore_audit::ActorType::service, "svc-archive-worker", {}},
            "archive_package", state.held_package.value().id.to_string(), "archive.package.sealed", result,
            AuditCategory::data_access, demo::now);
        ASSERT_TRUE(event) << event.error().message();
        state.custody_events.push_back(*event);
    }
}

struct CraftedCase {
    const char* name;
    std::size_t steps_run;  // of the real lifecycle, before the crafting
    std::function<void(RunState&)> craft;
    HandlerResult (*step)(RunState&);
    std::string printed;
    std::string error;
};

void expect_outcome(const CraftedCase& c) {
    SCOPED_TRACE(c.name);
    RunState state = state_after(c.steps_run);
    c.craft(state);
    const auto outcome = run_step(c.step, state);
    EXPECT_EQ(outcome.printed, c.printed);
    ASSERT_FALSE(outcome.result);
    EXPECT_EQ(outcome.result.error(), c.error);
}

const std::string step_3 = "\n== 3. Refusal path — mutating a sealed archive ==\n";
const std::string step_4 = "\n== 4. Refusal path — retroactively shortening retention ==\n";
const std::string step_6 =
    "\n== 6. Refusal path — deleting something under legal hold ==\n"
    "  [ok]      disposition review <id> opened\n";
const std::string step_8 = "\n== 8. Refusal path — disposing before retention has genuinely expired ==\n";
const std::string step_9 = "\n== 9. Retention eligibility and disposal, once genuinely unheld and expired ==\n";

TEST(DemoSelfChecks, EachBugTextIsReachedThroughACraftedState) {
    const std::vector<CraftedCase> cases = {
        {"step 3, the package handed over still writing", 2,
         [](RunState& state) { state.sealed_package = state.writing_package; }, demo::refuse_reseal, step_3,
         "BUG: re-sealing an already-sealed package must be refused"},
        {"step 4, a policy whose minimum is below the shortened one", 3,
         [](RunState& state) { state.policy->minimum_retention_days = 5; }, demo::refuse_shortened_retention, step_4,
         "BUG: shortening retention must be refused"},
        {"step 6, a held package without its hold or an expiry", 5,
         [](RunState& state) {
             state.held_package->legal_hold_id.reset();
             state.held_package->expires_at.reset();
         },
         demo::refuse_disposal_under_hold, step_6, "BUG: deciding Dispose against a held package must be refused"},
        {"step 6, a held package without its hold", 5,
         [](RunState& state) { state.held_package->legal_hold_id.reset(); }, demo::refuse_disposal_under_hold,
         step_6 + "  [refused] attempted to decide Dispose while the package is under legal hold: retention has not "
                  "yet expired for this package (expires 1970-01-31T00:00:00Z)\n",
         "BUG: ArchivePackage::dispose must refuse while held"},
        {"step 7, the allow ruleset in place of the empty one", 6,
         [](RunState& state) {
             succeed(demo::request_release, state);
             state.empty_ruleset = verified(demo::release_ruleset());
         },
         demo::refuse_release_without_rules, "", "BUG: an empty ruleset must not authorise a release"},
        {"step 7, a store that trusts key B too", 6,
         [](RunState& state) {
             succeed(demo::establish_trust, state);
             ASSERT_TRUE(vevizovuvazavad::trust_store_add(
                 state.trust_store, "mallory",
                 orrincore_error::hex::to_lower(state.untrusted_key->verifying_key().bytes()), demo::now));
         },
         demo::refuse_untrusted_ruleset, "", "BUG: a ruleset signed by an untrusted key must be refused"},
        {"step 8, a cleared package already expired", 7,
         [](RunState& state) { state.cleared_package->expires_at = demo::now; }, demo::refuse_early_disposal,
         step_8 + "  [ok]      eligibility at seal time: Eligible (not yet eligible)\n",
         "BUG: deciding Dispose before retention has expired must be refused"},
        {"step 9, a cleared package still under its hold", 7,
         [](RunState& state) { state.cleared_package->legal_hold_id = state.approved_hold->id; },
         demo::dispose_after_expiry, step_9,
         "BUG: package should be eligible after 120 days, got NotEligible(UnderLegalHold)"},
        {"step 9, a cleared package kept for a year", 7,
         [](RunState& state) { state.cleared_package->expires_at = demo::now.saturating_add_seconds(365 * 86'400); },
         demo::dispose_after_expiry, step_9,
         "BUG: package should be eligible after 120 days, got NotEligible(RetentionNotExpired { expires_at: "
         "Timestamp(1971-01-01T00:00:00Z) })"},
        {"step 10, a third event that already records denied", 9,
         [](RunState& state) { record_three_events(state, AuditResult::denied); }, demo::refuse_tampered_custody, "",
         "BUG: a tampered custody event must fail verification"},
    };
    for (const auto& c : cases) expect_outcome(c);
}

TEST(DemoSelfChecks, AFailedHappyPathEndsTheRunWithItsOwnMessage) {
    const std::vector<CraftedCase> cases = {
        {"step 2, a package still pending", 1,
         [](RunState& state) { state.writing_package->status = vuvadededoru_contracts::PackageStatus::pending; },
         demo::seal_package,
         "\n== 2. Seal: build a signed manifest from real chunks, then seal the package ==\n"
         "  [ok]      manifest signed: 2 chunk(s), 48 bytes, hash blake3:<hash>\n",
         "illegal transition for ArchivePackage: pending -> sealed"},
        {"step 5, a disposed package", 4,
         [](RunState& state) { state.sealed_package->status = vuvadededoru_contracts::PackageStatus::disposed; },
         demo::place_legal_hold,
         "\n== 5. Legal hold: request, approve, assign to the package ==\n"
         "  [ok]      legal hold <id> is Active\n",
         "contract violation: illegal transition for ArchivePackage: disposed -> under_legal_hold"},
        {"step 10, a chain with its second event cut out", 9,
         [](RunState& state) {
             succeed(demo::record_custody, state);
             state.custody_events.erase(state.custody_events.begin() + 1);
         },
         demo::verify_custody, "",
         "validation failed: audit chain broken at sequence 3: previous-hash link does not match the preceding "
         "event"},
    };
    for (const auto& c : cases) expect_outcome(c);
}

TEST(DemoLabels, AreMadeFromTheVerdictReturned) {
    RunState state = state_after(6);
    succeed(demo::request_release, state);
    auto denying = demo::release_ruleset();
    denying.rules.front().effect = orrincore_policy::Decision::deny;
    state.empty_ruleset = verified(std::move(denying));
    const auto release = run_step(demo::refuse_release_without_rules, state);
    EXPECT_TRUE(release.result);
    EXPECT_EQ(release.printed,
              "  [refused] evaluated against an empty ruleset -> Deny (no rule matched): legal hold release was not "
              "authorised by policy\n");

    record_three_events(state, AuditResult::success);
    const auto verification = run_step(demo::verify_custody, state);
    EXPECT_TRUE(verification.result);
    EXPECT_EQ(verification.printed, "  [ok]      3-event custody chain verified end to end (sequence 1..3)\n");
}

TEST(DemoCustody, RecordsSixLinkedEventsAndTampersWithACopyOnly) {
    RunState state = state_after(9);
    const auto outcome = run_step(demo::record_chain_of_custody, state);
    ASSERT_TRUE(outcome.result) << outcome.result.error();
    EXPECT_EQ(outcome.printed,
              "\n== 10. Chain of custody: hash-chained, signed audit trail of everything above ==\n"
              "  [ok]      6-event custody chain verified end to end (sequence 1..6)\n"
              "  [refused] tampered with event 3's result after the fact: signature verification failed\n");

    const auto& events = state.custody_events;
    ASSERT_EQ(events.size(), 6u);
    EXPECT_TRUE(zorizorezire_rizozi::custody::verify(events, state.demo_key.verifying_key()));
    EXPECT_EQ(state.custody_chain.last_sequence, 6u);
    const std::string package = state.held_package->id.to_string();
    const std::string hold = state.approved_hold->id.to_string();
    const std::vector<std::string> targets = {state.target->id.to_string(), package, hold, package, hold, package};
    struct Described {
        std::string_view target_type;
        std::string_view action;
        AuditCategory category;
    };
    const std::array<Described, 6> described = {{
        {"archive_target", "archive.target.created", AuditCategory::configuration},
        {"archive_package", "archive.package.sealed", AuditCategory::data_access},
        {"legal_hold", "archive.legal_hold.approved", AuditCategory::policy},
        {"archive_package", "archive.disposition.decided", AuditCategory::policy},
        {"legal_hold", "archive.legal_hold.released", AuditCategory::policy},
        {"archive_package", "archive.disposition.completed", AuditCategory::data_access},
    }};
    const orrincore_audit::Actor actor{orrincore_audit::ActorType::service, "svc-archive-worker", std::nullopt};
    for (std::size_t i = 0; i < events.size(); ++i) {
        SCOPED_TRACE(i);
        const auto& event = events[i].event;
        EXPECT_EQ(events[i].sequence, i + 1);
        EXPECT_EQ(event.previous_event_hash.has_value(), i > 0);
        EXPECT_EQ(event.target.target_id, targets[i]);
        EXPECT_EQ(event.target.target_type, described[i].target_type);
        EXPECT_EQ(event.action, described[i].action);
        EXPECT_EQ(event.category, described[i].category);
        EXPECT_EQ(event.actor, actor);
        EXPECT_EQ(event.product_id.to_string(), "vuvadededoru");
        EXPECT_EQ(event.result, i == 3 ? AuditResult::denied : AuditResult::success);
        EXPECT_EQ(event.severity, i == 3 ? orrincore_audit::Severity::notice : orrincore_audit::Severity::info);
        EXPECT_EQ(event.retention_class, orrincore_retention::RetentionClass::operational);
        EXPECT_EQ(event.occurred_at, demo::now);
    }
}

}  // namespace
