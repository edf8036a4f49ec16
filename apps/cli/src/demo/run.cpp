// `vevizovuvazavad demo`: the whole lifecycle in one process, offline, on a
// fixed clock, narrated as it runs and checking its own verdicts.
#include "demo/narration.hpp"
#include "demo/steps.hpp"
#include "handlers.hpp"

namespace vevizovuvazavad::demo {

HandlerResult run() {
    auto state = RunState::set_up();
    if (!state) return std::unexpected(std::move(state).error());
    print_banner();
    for (const auto step : {create_records, seal_package, refuse_reseal, refuse_shortened_retention,
                            place_legal_hold, refuse_disposal_under_hold, release_through_policy_gate,
                            refuse_early_disposal, dispose_after_expiry, record_chain_of_custody}) {
        if (auto done = step(*state); !done) return done;
    }
    print_closing();
    return {};
}

}  // namespace vevizovuvazavad::demo
