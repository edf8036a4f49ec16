// The README's first archive, typed as the README writes it: the release
// set up as its release example shows, then every command of the walk, in
// order, each of which must succeed and leave the package disposed.
#include <algorithm>
#include <cstddef>
#include <fstream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <fmt/format.h>
#include <gtest/gtest.h>
#include <vuvadededoru_contracts/legal_hold.hpp>
#include <vuvadededoru_contracts/package.hpp>

#include "tool_steps.hpp"

namespace {

using namespace vevizovuvazavad::testing;
using vuvadededoru_contracts::ArchivePackage;
using vuvadededoru_contracts::LegalHold;
using vuvadededoru_contracts::LegalHoldStatus;
using vuvadededoru_contracts::PackageStatus;

// The lines of the first indented block after the README line that contains
// `phrase`, without their indent; empty when the README has none.
std::vector<std::string> readme_block(std::string_view phrase) {
    std::ifstream file(VEVI_README);
    std::string line;
    while (std::getline(file, line) && line.find(phrase) == std::string::npos) {
    }
    while (std::getline(file, line) && !line.starts_with("    ")) {
    }
    std::vector<std::string> lines;
    while (file && line.starts_with("    ")) {
        lines.push_back(line.substr(4));
        std::getline(file, line);
    }
    return lines;
}

// The block's commands, each line ending in a backslash joined to the next.
std::vector<std::string> commands_of(const std::vector<std::string>& lines) {
    std::vector<std::string> commands;
    bool continued = false;
    for (const auto& line : lines) {
        if (continued) commands.back() += line;
        else commands.push_back(line);
        continued = commands.back().ends_with('\\');
        if (continued) commands.back().pop_back();
    }
    return commands;
}

// `command` split into words as a shell splits these simple ones: at blanks
// outside quotes, the quotes taken away.
Args words(std::string_view command) {
    Args args;
    std::string word;
    bool in_word = false;
    char quote = 0;
    for (const char c : command) {
        if (quote != 0) {
            if (c == quote) quote = 0;
            else word += c;
        } else if (c == ' ') {
            if (in_word) args.push_back(word);
            word.clear();
            in_word = false;
        } else {
            in_word = true;
            if (c == '"' || c == '\'') quote = c;
            else word += c;
        }
    }
    EXPECT_EQ(quote, 0) << command;
    if (in_word) args.push_back(word);
    return args;
}

// Runs each command as typed, each of which must succeed silently on stderr,
// and returns what each printed. The one value a reader pastes, the public
// key for `trust add`, is the first line `ruleset pubkey` printed just before.
std::vector<std::string> run_as_typed(const ToolFolder& folder, const std::vector<std::string>& commands) {
    constexpr std::string_view pasted_key = "<64 hex digits>";
    std::vector<std::string> outs;
    for (auto command : commands) {
        SCOPED_TRACE(command);
        if (const auto at = command.find(pasted_key); at != std::string::npos) {
            const bool after_pubkey =
                !outs.empty() && commands[outs.size() - 1].find(" ruleset pubkey ") != std::string::npos;
            EXPECT_TRUE(after_pubkey && command.find(" trust add ") != std::string::npos);
            if (after_pubkey) command.replace(at, pasted_key.size(), outs.back().substr(0, outs.back().find('\n')));
        }
        auto args = words(command);
        EXPECT_EQ(args.at(0), "vevizovuvazavad");
        args.erase(args.begin());
        outs.push_back(run_ok(folder, args));
    }
    return outs;
}

TEST(ReadmeWalk, AFirstArchiveFromItsPolicyToItsDisposal) {
    const auto walk = commands_of(readme_block("A first archive, from its retention policy to its disposal"));
    ASSERT_FALSE(walk.empty()) << "no first archive in " << VEVI_README;
    auto release_setup = commands_of(readme_block("the release names both files:"));
    const auto release = std::find_if(release_setup.begin(), release_setup.end(), [](const std::string& command) {
        return command.starts_with("vevizovuvazavad legal-hold release ");
    });
    ASSERT_NE(release, release_setup.end()) << "no release example in " << VEVI_README;
    release_setup.erase(release, release_setup.end());
    std::string ruleset;
    for (const auto& line : readme_block("`rules.json` is a plain ruleset document")) ruleset += line + '\n';

    ToolFolder folder;
    folder.write("chunk1.bin", "first chunk\n");
    folder.write("chunk2.bin", "second chunk\n");
    folder.write("rules.json", ruleset);
    run_as_typed(folder, release_setup);
    const auto outs = run_as_typed(folder, walk);

    const auto package = record_in<ArchivePackage>(folder, "package.json");
    EXPECT_EQ(package.status, PackageStatus::disposed);
    EXPECT_EQ(package.legal_hold_id, std::nullopt);
    EXPECT_EQ(record_in<LegalHold>(folder, "hold.json").status, LegalHoldStatus::released);
    const auto out_of = [&](std::string_view command) {
        const auto at = std::find_if(walk.begin(), walk.end(), [&](const std::string& typed) {
            return typed.starts_with(fmt::format("vevizovuvazavad {} ", command));
        });
        return at == walk.end() ? std::string() : outs.at(static_cast<std::size_t>(at - walk.begin()));
    };
    const auto id = package.id.to_string();
    EXPECT_EQ(out_of("package verify"),
              fmt::format("package {} verified: signature ok, manifest hash matches, 2 chunk(s) integrity ok\n", id));
    EXPECT_EQ(out_of("package show"), fmt::format("{} status=disposed under_hold=false\n", id));
}

}  // namespace
