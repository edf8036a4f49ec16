#include "run_program.hpp"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <thread>

extern char** environ;

namespace vevizovuvazavad::bench {
namespace {

// VmHWM of a running process, in KiB; 0 once it is gone.
long peak_rss_kib(pid_t pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.starts_with("VmHWM:")) return std::stol(line.substr(6));
    }
    return 0;
}

}  // namespace

ProgramRun run_program(const std::vector<std::string>& args, Memory memory) {
    std::vector<char*> argv;
    for (const auto& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    pid_t child = 0;
    const int spawned = posix_spawn(&child, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) return {};
    ProgramRun run;
    int status = 0;
    for (;;) {
        const pid_t waited = ::waitpid(child, &status, memory == Memory::sampled ? WNOHANG : 0);
        if (waited == child) break;
        if (waited < 0) return {};
        // A zombie has no memory left to report: keep the last figure.
        if (const long peak = peak_rss_kib(child); peak > run.peak_rss_kib) run.peak_rss_kib = peak;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    if (!WIFEXITED(status)) return {};
    run.status = WEXITSTATUS(status);
    return run;
}

}  // namespace vevizovuvazavad::bench
