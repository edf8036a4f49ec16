#pragma once
// How a command's report is printed: its text line, or with `--json` its
// record or result object as compact JSON.

namespace vevizovuvazavad::output {

enum class OutputForm { text, json };

}  // namespace vevizovuvazavad::output
