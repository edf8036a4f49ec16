// The ruleset document the README shows, taken from the README itself and
// run through the steps it names: signed by a trusted key, it releases a
// litigation hold once its release is requested, and nothing else.
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <fmt/format.h>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <vuvadededoru_contracts/legal_hold.hpp>

#include "tool_steps.hpp"

namespace {

using namespace vevizovuvazavad::testing;
using vuvadededoru_contracts::LegalHold;
using vuvadededoru_contracts::LegalHoldStatus;

// The indented block that follows the README's sentence introducing
// `rules.json`, without its indent; empty when the README has none.
std::string readme_ruleset() {
    std::ifstream file(VEVI_README);
    std::string line;
    while (std::getline(file, line) && line.find("`rules.json` is a plain ruleset document") == std::string::npos) {
    }
    while (std::getline(file, line) && line != "    {") {
    }
    if (!file) return {};
    std::ostringstream document;
    do {
        document << line.substr(4) << '\n';
    } while (std::getline(file, line) && line.starts_with("    "));
    return document.str();
}

TEST(ReadmeRuleset, ReleasesALitigationHoldOnceItsReleaseIsRequested) {
    const std::string document = readme_ruleset();
    ASSERT_FALSE(document.empty()) << "no ruleset document in " << VEVI_README;
    const auto fields = nlohmann::json::parse(document);
    const std::string no_rule = fmt::format(
        "policy evaluated to NotApplicable — no rule in ruleset {} v{} matched action vuvadededoru:legal-hold.release "
        "for this input\n",
        fields.at("ruleset_id").get<std::string>(), fields.at("version").get<std::uint64_t>());

    ToolFolder folder;
    keygen(folder, "signer.seed");
    trust(folder, "trust.json", "legal", "signer.seed");
    sign(folder, document, "signer.seed", "rules.signed.json");

    struct Case {
        std::string reason;
        int steps;  // of approve and request-release
        bool released;
    };
    const std::vector<Case> cases = {
        {"litigation", 2, true},
        {"litigation", 1, false},
        {"regulatory_inquiry", 2, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(fmt::format("{} after {} steps", c.reason, c.steps));
        hold_through(folder, "hold.json", c.reason, c.steps);
        const auto hold = record_in<LegalHold>(folder, "hold.json");
        const auto run =
            folder.run({"legal-hold", "release", "--hold", "hold.json", "--approved-by", "counsel", "--policy-ruleset",
                        "rules.signed.json", "--trust-store", "trust.json", "--out", "hold.json"});
        if (c.released) {
            EXPECT_EQ(run.status, 0) << run.err;
            EXPECT_TRUE(run.out.starts_with(
                fmt::format("legal hold {} released (policy Allow: matched rule ", hold.id.to_string())))
                << run.out;
            EXPECT_EQ(record_in<LegalHold>(folder, "hold.json").status, LegalHoldStatus::released);
        } else {
            EXPECT_EQ(run.status, 1);
            EXPECT_TRUE(run.err.ends_with(no_rule)) << run.err;
            EXPECT_EQ(record_in<LegalHold>(folder, "hold.json"), hold);
        }
    }
}

}  // namespace
