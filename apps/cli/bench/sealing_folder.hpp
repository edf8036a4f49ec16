#pragma once
// A temporary folder under /tmp with what `package seal` and `package verify`
// need besides chunk files, made by the tool as a user makes it: a pending
// package, its policy and a seed file. It is removed when dropped.

#include <filesystem>
#include <string>
#include <string_view>

#include "process.hpp"

namespace vevizovuvazavad::bench {

class SealingFolder {
public:
    // Named /tmp/vevi-{name}-XXXXXX.
    explicit SealingFolder(std::string_view name);
    ~SealingFolder();
    SealingFolder(const SealingFolder&) = delete;
    SealingFolder& operator=(const SealingFolder&) = delete;

    const std::filesystem::path& folder() const { return folder_; }
    std::string path(std::string_view name) const;

    // `package seal` of the pending package over `chunks`, writing
    // {out}-s.json and {out}-m.json.
    Args seal_args(const Args& chunks, const std::string& out) const;
    // `package verify` of {sealed}-s.json against {sealed}-m.json over `chunks`.
    Args verify_args(const Args& chunks, const std::string& sealed) const;

private:
    std::filesystem::path folder_;
};

}  // namespace vevizovuvazavad::bench
