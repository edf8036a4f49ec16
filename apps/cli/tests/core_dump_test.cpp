// A command killed while a signing key is in its memory leaves no core dump
// behind, however far the caller's limit would allow one.
#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>

#include <gtest/gtest.h>

#include "run_tool.hpp"
#include "tool_steps.hpp"

namespace {

using namespace vevizovuvazavad::testing;

// `argv` started in `folder` with core dumps of any size allowed.
pid_t start_with_core_dumps(const ToolFolder& folder, std::vector<std::string> argv) {
    std::vector<char*> pointers;
    for (auto& argument : argv) pointers.push_back(argument.data());
    pointers.push_back(nullptr);
    const pid_t child = ::fork();
    if (child == 0) {
        const struct rlimit unlimited { RLIM_INFINITY, RLIM_INFINITY };
        if (::setrlimit(RLIMIT_CORE, &unlimited) != 0 || ::chdir(folder.path().c_str()) != 0) ::_exit(126);
        ::execv(pointers[0], pointers.data());
        ::_exit(127);
    }
    return child;
}

// Ends `child` with SIGQUIT, whose default action dumps core: whether it did.
bool quit_dumps_core(pid_t child) {
    ::kill(child, SIGQUIT);
    int status = 0;
    EXPECT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGQUIT) << status;
    return WCOREDUMP(status);
}

TEST(CoreDump, AKilledCommandHoldingAKeyDumpsNone) {
    ToolFolder folder;
    if (::geteuid() != 0) {
        const struct rlimit unlimited { RLIM_INFINITY, RLIM_INFINITY };
        if (::setrlimit(RLIMIT_CORE, &unlimited) != 0) GTEST_SKIP() << "core dumps cannot be allowed here";
    }
    // Without the tool's own refusal, a process killed so leaves a core here.
    const pid_t sleeper = start_with_core_dumps(folder, {"/bin/sleep", "30"});
    ::usleep(100'000);
    if (!quit_dumps_core(sleeper)) GTEST_SKIP() << "this machine writes no core dumps";
    std::filesystem::remove_all(folder.path());
    std::filesystem::create_directory(folder.path());

    // `package seal` has read its seed and waits for the bytes of a chunk.
    keygen(folder, "k.seed");
    run_ok(folder, {"target", "new", "--name", "vault", "--target-type", "local_filesystem", "--out", "t.json"});
    run_ok(folder,
           {"retention", "new", "--name", "mail", "--class", "compliance", "--min-days", "1", "--out", "p.json"});
    run_ok(folder, {"package", "new", "--target", "t.json", "--policy", "p.json", "--source-product", "mail", "--label",
                    "l", "--created-by", "c", "--out", "pkg.json"});
    ASSERT_EQ(::mkfifo((folder / "chunk").c_str(), 0600), 0);
    const auto entries = folder.entries();
    const pid_t tool = start_with_core_dumps(
        folder, {VEVI_EXECUTABLE, "package", "seal", "--package", "pkg.json", "--policy", "p.json", "--key-file",
                 "k.seed", "--chunk", "chunk", "--out-package", "s.json", "--out-manifest", "m.json"});
    // The other end opens once the tool opened its end; the tool then waits
    // for bytes that never come.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    int writer = -1;
    while (writer < 0 && std::chrono::steady_clock::now() < deadline) {
        writer = ::open((folder / "chunk").c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
        int status = 0;
        if (writer < 0 && ::waitpid(tool, &status, WNOHANG) == tool) FAIL() << "the tool ended first: " << status;
        if (writer < 0) ::usleep(10'000);
    }
    if (writer < 0) ::kill(tool, SIGKILL);
    ASSERT_GE(writer, 0) << "the tool never opened the chunk";
    EXPECT_FALSE(quit_dumps_core(tool));
    ::close(writer);
    EXPECT_EQ(folder.entries(), entries);
}

}  // namespace
