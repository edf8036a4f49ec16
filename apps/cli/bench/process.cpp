#include "process.hpp"

#include <fcntl.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

extern char** environ;

namespace vevizovuvazavad::bench {

int run_process(const std::vector<std::string>& args, const std::string& cwd) {
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

MeasuredRun run_measured(const std::vector<std::string>& args, const std::string& cwd) {
    std::string result = (std::filesystem::temp_directory_path() / "vevi-peak-memory-XXXXXX").string();
    const int fd = ::mkstemp(result.data());
    if (fd < 0) return {};
    ::close(fd);
    std::vector<std::string> launched = {VEVI_PEAK_MEMORY, result};
    launched.insert(launched.end(), args.begin(), args.end());
    MeasuredRun run;
    if (run_process(launched, cwd) == 0) std::ifstream(result) >> run.status >> run.peak_resident_kib;
    std::filesystem::remove(result);
    return run;
}

}  // namespace vevizovuvazavad::bench
