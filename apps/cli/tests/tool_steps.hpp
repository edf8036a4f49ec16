#pragma once
// Steps an operator takes with the tool, for tests that need their results:
// keys from `keygen`, public keys from `ruleset pubkey`, a store from `trust
// add`, signed rulesets from `ruleset sign`, holds moved by `legal-hold`.
// Each step must succeed; the records it wrote are read back with the tool's
// own reader, and written, where a test makes them itself, as the tool writes
// them.

#include <algorithm>
#include <cstddef>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <fmt/format.h>
#include <fmt/ranges.h>
#include <gtest/gtest.h>
#include <orrincore_json/document.hpp>

#include "files/record_file.hpp"
#include "run_tool.hpp"

namespace vevizovuvazavad::testing {

using Args = std::vector<std::string>;

// `args` with the value of each option of `options` (option, value, ...)
// replaced, or the pair added when the option is not there yet.
inline Args with_options(Args args, const Args& options) {
    for (std::size_t i = 0; i + 1 < options.size(); i += 2) {
        const auto at = std::find(args.begin(), args.end(), options[i]);
        if (at != args.end()) {
            *(at + 1) = options[i + 1];
        } else {
            args.push_back(options[i]);
            args.push_back(options[i + 1]);
        }
    }
    return args;
}

// The standard output of a run that must succeed silently on stderr.
inline std::string run_ok(const ToolFolder& folder, const Args& args) {
    const auto run = folder.run(args);
    EXPECT_EQ(run.status, 0) << fmt::format("{}", fmt::join(args, " ")) << "\n" << run.err;
    EXPECT_EQ(run.err, "");
    return run.out;
}

// A refusal: status 1, nothing on stdout, exactly "error: {message}\n".
inline void expect_refused(const RunResult& run, std::string_view message) {
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, fmt::format("error: {}\n", message));
}

// Runs each command line in one folder; each must print exactly its text.
inline void expect_outputs(const std::vector<std::pair<Args, std::string>>& cases) {
    ToolFolder folder;
    for (const auto& [args, out] : cases) {
        SCOPED_TRACE(fmt::format("{}", fmt::join(args, " ")));
        EXPECT_EQ(run_ok(folder, args), out);
    }
}

// The record of type T in `name`, which must read.
template <class T>
T record_in(const ToolFolder& folder, std::string_view name) {
    auto record = files::read_json<T>(folder / name);
    EXPECT_TRUE(record) << record.error();
    return std::move(record).value();
}

// Writes `record` into the folder as a record file, as the tool writes one.
template <class T>
void write_record(const ToolFolder& folder, std::string_view name, const T& record) {
    folder.write(name, orrincore_json::to_pretty(record));
}

// A new seed file `name`.
inline void keygen(const ToolFolder& folder, const std::string& name) { run_ok(folder, {"keygen", name}); }

// The public key of the seed file, as `ruleset pubkey` prints it.
inline std::string pubkey_of(const ToolFolder& folder, const std::string& seed) {
    return run_ok(folder, {"ruleset", "pubkey", "--key", seed}).substr(0, 64);
}

// Trusts the key of `seed` under `name` in `store`.
inline void trust(const ToolFolder& folder, const std::string& store, const std::string& name,
                  const std::string& seed) {
    run_ok(folder, {"trust", "add", "--store", store, "--name", name, "--pubkey", pubkey_of(folder, seed)});
}

// Writes the plain ruleset `document` and signs it with `seed` into `out`.
inline void sign(const ToolFolder& folder, std::string_view document, const std::string& seed, const std::string& out) {
    const std::string plain = out + ".plain";
    folder.write(plain, document);
    run_ok(folder, {"ruleset", "sign", "--input", plain, "--key", seed, "--out", out});
}

// A hold of reason `reason` in `name`, requested, then moved by each of the
// first `steps` of approve and request-release.
inline void hold_through(const ToolFolder& folder, const std::string& name, const std::string& reason, int steps) {
    run_ok(folder, {"legal-hold", "request", "--name", "Inquiry 7", "--scope", "all mail of 2023", "--reason", reason,
                    "--requested-by", "legal@example", "--out", name});
    if (steps >= 1)
        run_ok(folder, {"legal-hold", "approve", "--hold", name, "--approved-by", "counsel", "--out", name});
    if (steps >= 2) run_ok(folder, {"legal-hold", "request-release", "--hold", name, "--out", name});
}

inline void requested_hold(const ToolFolder& folder, const std::string& name, const std::string& reason) {
    hold_through(folder, name, reason, 0);
}
inline void active_hold(const ToolFolder& folder, const std::string& name, const std::string& reason) {
    hold_through(folder, name, reason, 1);
}
inline void release_requested_hold(const ToolFolder& folder, const std::string& name, const std::string& reason) {
    hold_through(folder, name, reason, 2);
}

}  // namespace vevizovuvazavad::testing
