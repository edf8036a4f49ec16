// The main of a fuzz target built without libFuzzer: it runs the target once
// over the empty input and then over every file it is given, each file of a
// folder in name order, as libFuzzer does when it replays a corpus. An input
// the target rejects ends the run by the target's own abort; a path that
// cannot be read ends it with status 1.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <system_error>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);
// Defined by the targets whose libraries need setting up (fuzz_initialize.cpp).
extern "C" __attribute__((weak)) int LLVMFuzzerInitialize(int* argc, char*** argv);

namespace {

// Each input in a buffer of exactly its size, so that the sanitizers see a
// read past its end.
void run_one(const std::string& bytes) {
    const auto buffer = std::make_unique<std::uint8_t[]>(bytes.size());
    std::copy(bytes.begin(), bytes.end(), buffer.get());
    LLVMFuzzerTestOneInput(buffer.get(), bytes.size());
}

bool run_file(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        std::fprintf(stderr, "cannot read %s\n", path.c_str());
        return false;
    }
    const std::string bytes{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    std::printf("%s\n", path.c_str());
    run_one(bytes);
    return true;
}

bool run_path(const std::filesystem::path& path) {
    std::error_code error;
    if (!std::filesystem::is_directory(path, error)) return run_file(path);
    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::directory_iterator(path, error))
        if (entry.is_regular_file()) files.push_back(entry.path());
    if (error) {
        std::fprintf(stderr, "cannot list %s: %s\n", path.c_str(), error.message().c_str());
        return false;
    }
    std::sort(files.begin(), files.end());
    return std::all_of(files.begin(), files.end(), run_file);
}

}  // namespace

int main(int argc, char** argv) {
    if (LLVMFuzzerInitialize) LLVMFuzzerInitialize(&argc, &argv);
    run_one({});
    for (int i = 1; i < argc; ++i)
        if (!run_path(argv[i])) return 1;
    return 0;
}
