#include <optional>

#include <fmt/format.h>
#include <nlohmann/json.hpp>
#include <orrincore_audit/audit_chain.hpp>
#include <orrincore_audit/signed_audit_event.hpp>

#include "commands/custody.hpp"
#include "files/record_file.hpp"
#include "files/seed_file.hpp"
#include "output/report.hpp"

namespace vevizovuvazavad {
namespace {

using orrincore_audit::SignedAuditEvent;

// The chain is checked as it is read, one event at a time, so that memory
// holds the file's bytes and a single event rather than the whole chain.
// The outcome is that of reading the whole chain first: an error of the
// chain file comes before one of the key file, which is read after the
// chain file and before the first event is checked, and both come before
// the first event that fails. Each event is checked over the canonical
// bytes of the event as read, never the file's text, so the file's layout,
// key order and unknown keys do not matter.
class ChainCheck {
public:
    explicit ChainCheck(const std::string& key_file) : key_file_(key_file) {}

    void next(const SignedAuditEvent& signed_event) {
        read_key();
        if (verifier_ && verified_) verified_ = verifier_->next(signed_event);
    }

    // The outcome once the whole chain file has been read.
    HandlerResult outcome() {
        read_key();
        if (!*key_) return std::unexpected(key_->error());
        if (!verified_) return std::unexpected(verified_.error().message());
        return {};
    }

private:
    void read_key() {
        if (key_) return;
        key_ = files::read_seed_file(key_file_);
        if (*key_) verifier_.emplace((*key_)->verifying_key());
    }

    const std::string& key_file_;
    std::optional<std::expected<orrincore_crypto::SigningKey, std::string>> key_;  // wiped when dropped
    std::optional<orrincore_audit::ChainVerifier> verifier_;
    orrincore_error::Result<void> verified_;  // the first failure, once there is one
};

HandlerResult run(const Cli& cli, const CustodyCommand::Verify& command) {
    ChainCheck check(command.key_file);
    auto events = files::read_json_elements<SignedAuditEvent>(
        command.chain, [&check](const SignedAuditEvent& signed_event) { check.next(signed_event); });
    if (!events) return std::unexpected(std::move(events).error());
    if (auto checked = check.outcome(); !checked) return checked;
    output::emit(cli.output_form(), nlohmann::json{{"events", *events}, {"verified", true}},
                 fmt::format("chain of {} event(s) verified", *events));
    return {};
}

}  // namespace

HandlerResult run_custody(const Cli& cli, const CustodyCommand& command) {
    return std::visit([&](const auto& subcommand) { return run(cli, subcommand); }, command.value);
}

}  // namespace vevizovuvazavad
