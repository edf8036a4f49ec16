// `vevizovuvazavad demo`: the whole lifecycle in one process, offline, on a
// fixed clock, narrated as it runs and checking its own verdicts.
#include "demo/run.hpp"
#include "demo/narration.hpp"
#include "demo/steps.hpp"

namespace vevizovuvazavad::demo {

HandlerResult run() {
    auto state = RunState::set_up();
    print_banner();
    for (const auto step : lifecycle_steps) {
        if (auto done = step(state); !done) return done;
    }
    print_closing();
    return {};
}

}  // namespace vevizovuvazavad::demo
