#include "process.hpp"

#include <fcntl.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <stdexcept>

extern char** environ;

namespace vevizovuvazavad::bench {

void require(bool condition, const std::string& what) {
    if (!condition) throw std::runtime_error(what);
}

int run_process(const Args& args, const std::string& cwd) {
    std::vector<char*> argv;
    for (const auto& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    if (!cwd.empty()) posix_spawn_file_actions_addchdir_np(&actions, cwd.c_str());
    pid_t child = 0;
    const int spawned = posix_spawn(&child, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) return -1;
    int status = 0;
    if (waitpid(child, &status, 0) != child || !WIFEXITED(status)) return -1;
    return WEXITSTATUS(status);
}

MeasuredRun run_measured(const Args& args, const std::string& cwd) {
    std::string result = (std::filesystem::temp_directory_path() / "vevi-peak-memory-XXXXXX").string();
    const int fd = ::mkstemp(result.data());
    if (fd < 0) return {};
    ::close(fd);
    Args launched = {VEVI_PEAK_MEMORY, result};
    launched.insert(launched.end(), args.begin(), args.end());
    MeasuredRun run;
    if (run_process(launched, cwd) == 0) std::ifstream(result) >> run.status >> run.peak_resident_kib;
    std::filesystem::remove(result);
    return run;
}

bool record_peak(benchmark::State& state, const Args& args, const std::string& cwd) {
    long peak = 0;
    for (auto _ : state) {
        const auto run = run_measured(args, cwd);
        if (run.status != 0) {
            state.SkipWithError("the tool failed");
            return false;
        }
        peak = std::max(peak, run.peak_resident_kib);
    }
    state.counters["peak_rss_MiB"] = static_cast<double>(peak) / 1024;
    return true;
}

}  // namespace vevizovuvazavad::bench
