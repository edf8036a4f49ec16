#include "sealing_folder.hpp"

#include <stdlib.h>

namespace vevizovuvazavad::bench {

SealingFolder::SealingFolder(std::string_view name) {
    std::string pattern = (std::filesystem::path("/tmp") / ("vevi-" + std::string(name) + "-XXXXXX")).string();
    require(::mkdtemp(pattern.data()) != nullptr, "cannot make a temporary folder");
    folder_ = pattern;
    const auto run = [](Args args) {
        args.insert(args.begin(), VEVI_EXECUTABLE);
        return run_process(args) == 0;
    };
    require(run({"target", "new", "--name", "t", "--target-type", "local_filesystem", "--out", path("t.json")}),
            "target new");
    require(
        run({"retention", "new", "--name", "p", "--class", "compliance", "--min-days", "30", "--out", path("p.json")}),
        "retention new");
    require(run({"package", "new", "--target", path("t.json"), "--policy", path("p.json"), "--source-product", "bench",
                 "--label", "l", "--created-by", "c", "--out", path("pkg.json")}),
            "package new");
    require(run({"keygen", path("key.seed")}), "keygen");
}

SealingFolder::~SealingFolder() { std::filesystem::remove_all(folder_); }

std::string SealingFolder::path(std::string_view name) const { return (folder_ / name).string(); }

Args SealingFolder::seal_args(const Args& chunks, const std::string& out) const {
    Args args = {
        VEVI_EXECUTABLE,      "package",    "seal",           "--package",     path("pkg.json"),      "--policy",
        path("p.json"),       "--key-file", path("key.seed"), "--out-package", path(out + "-s.json"), "--out-manifest",
        path(out + "-m.json")};
    for (const auto& chunk : chunks) args.insert(args.end(), {"--chunk", chunk});
    return args;
}

Args SealingFolder::verify_args(const Args& chunks, const std::string& sealed) const {
    Args args = {
        VEVI_EXECUTABLE,          "package",    "verify",        "--package", path(sealed + "-s.json"), "--manifest",
        path(sealed + "-m.json"), "--key-file", path("key.seed")};
    for (const auto& chunk : chunks) args.insert(args.end(), {"--chunk", chunk});
    return args;
}

}  // namespace vevizovuvazavad::bench
