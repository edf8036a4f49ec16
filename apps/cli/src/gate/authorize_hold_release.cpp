#include "gate/authorize_hold_release.hpp"

#include <fmt/format.h>

#include "files/record_file.hpp"
#include "gate/release_gate.hpp"
#include "gate/trust_store_file.hpp"

namespace vevizovuvazavad {

std::expected<orrincore_policy::PolicyDecision, std::string> authorize_hold_release(
    const vuvadededoru_contracts::LegalHold& hold, std::string_view approved_by, std::string_view ruleset_path,
    std::string_view trust_store_path, const zedododor_avovodizi::time::Timestamp& now) {
    // The ruleset first: when both files are wrong, its message is the one shown.
    auto envelope = files::read_json<orrincore_policy::SignedPolicyRuleset>(std::string(ruleset_path));
    if (!envelope) {
        return std::unexpected(fmt::format(
            "{}\n  --policy-ruleset must be a SIGNED ruleset envelope, not a plain PolicyRuleset document — produce "
            "one with `vevizovuvazavad ruleset sign`",
            envelope.error()));
    }
    auto store = load_trust_store(std::string(trust_store_path));
    if (!store) return std::unexpected(std::move(store).error());
    auto verified = verify_signed_ruleset(*envelope, *store, now, ruleset_associated_data());
    if (!verified) return std::unexpected(std::move(verified).error());
    return evaluate_hold_release(hold, approved_by, *verified, now);
}

}  // namespace vevizovuvazavad
