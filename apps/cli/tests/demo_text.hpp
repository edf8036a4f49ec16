#pragma once
// The demo's narration with what differs from run to run masked: <id> for
// every identifier, <hash> for the manifest hash's digits.

#include <regex>
#include <string>

namespace vevizovuvazavad::testing {

inline const std::regex demo_identifier("[0-9a-f]{8}-[0-9a-f]{4}-4[0-9a-f]{3}-[89ab][0-9a-f]{3}-[0-9a-f]{12}");
inline const std::regex demo_manifest_hash("blake3:[0-9a-f]{64}");

inline std::string masked(const std::string& text) {
    return std::regex_replace(std::regex_replace(text, demo_identifier, "<id>"), demo_manifest_hash, "blake3:<hash>");
}

}  // namespace vevizovuvazavad::testing
