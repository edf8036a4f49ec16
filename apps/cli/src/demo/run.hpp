#pragma once
// The handler of `vevizovuvazavad demo`. It is given nothing: the demo makes
// its own records, keys and clock, and ignores `--json`.

#include "handler_result.hpp"

namespace vevizovuvazavad::demo {

HandlerResult run();

}  // namespace vevizovuvazavad::demo
