#include "run_tool.hpp"

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <stdio.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <algorithm>
#include <array>
#include <cctype>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <stdexcept>

extern char** environ;

namespace vevizovuvazavad::testing {
namespace {

[[noreturn]] void fail(const std::string& what) { throw std::runtime_error(what + ": " + std::strerror(errno)); }

struct Pipe {
    int read = -1;
    int write = -1;
    Pipe() {
        int fds[2];
        if (::pipe2(fds, O_CLOEXEC) != 0) fail("pipe2");
        read = fds[0];
        write = fds[1];
    }
    ~Pipe() {
        close_read();
        close_write();
    }
    void close_read() {
        if (read >= 0) ::close(read);
        read = -1;
    }
    void close_write() {
        if (write >= 0) ::close(write);
        write = -1;
    }
};

class FileActions {
public:
    FileActions() { posix_spawn_file_actions_init(&actions_); }
    ~FileActions() { posix_spawn_file_actions_destroy(&actions_); }
    posix_spawn_file_actions_t* get() { return &actions_; }

private:
    posix_spawn_file_actions_t actions_;
};

// Every signal the tool may set up itself starts at its default action, as
// from a shell, whatever the test process does with it.
class SpawnAttributes {
public:
    SpawnAttributes() {
        posix_spawnattr_init(&attributes_);
        sigset_t defaults;
        sigemptyset(&defaults);
        sigaddset(&defaults, SIGXFSZ);
        sigaddset(&defaults, SIGPIPE);
        posix_spawnattr_setsigdefault(&attributes_, &defaults);
        posix_spawnattr_setflags(&attributes_, POSIX_SPAWN_SETSIGDEF);
    }
    ~SpawnAttributes() { posix_spawnattr_destroy(&attributes_); }
    const posix_spawnattr_t* get() const { return &attributes_; }

private:
    posix_spawnattr_t attributes_;
};

bool is_colour_variable(std::string_view entry) {
    for (std::string_view name : {"NO_COLOR=", "CLICOLOR=", "CLICOLOR_FORCE=", "TERM=", "CI="}) {
        if (entry.starts_with(name)) return true;
    }
    return false;
}

// Reads both pipes to their end at once, so that neither fills while the
// tool waits for the other to be read; kills the tool once `deadline` passed.
void drain(Pipe& out, Pipe& err, RunResult& result, pid_t tool, std::chrono::steady_clock::time_point deadline) {
    std::array<pollfd, 2> fds{pollfd{out.read, POLLIN, 0}, pollfd{err.read, POLLIN, 0}};
    std::array<std::string*, 2> sinks{&result.out, &result.err};
    bool killed = false;
    while (fds[0].fd >= 0 || fds[1].fd >= 0) {
        const auto left =
            std::max(std::chrono::ceil<std::chrono::nanoseconds>(deadline - std::chrono::steady_clock::now()),
                     std::chrono::nanoseconds(0));
        const timespec timeout{static_cast<time_t>(left.count() / 1'000'000'000),
                               static_cast<long>(left.count() % 1'000'000'000)};
        const int ready = ::ppoll(fds.data(), fds.size(), killed ? nullptr : &timeout, nullptr);
        if (ready < 0) {
            if (errno == EINTR) continue;
            fail("poll");
        }
        if (ready == 0) {
            ::kill(tool, SIGKILL);
            killed = true;
            continue;
        }
        for (std::size_t i = 0; i < fds.size(); ++i) {
            if (fds[i].fd < 0 || fds[i].revents == 0) continue;
            char buffer[4096];
            const ssize_t got = ::read(fds[i].fd, buffer, sizeof buffer);
            if (got > 0) {
                sinks[i]->append(buffer, static_cast<std::size_t>(got));
            } else if (got == 0 || errno != EINTR) {
                fds[i].fd = -1;
            }
        }
    }
}

// Sets the file-size limit, which the tool inherits, while it is spawned, and
// ignores SIGXFSZ meanwhile so that the test process itself is never ended by
// it; the test's own are restored afterwards.
class FileSizeLimit {
public:
    explicit FileSizeLimit(std::optional<std::uint64_t> limit) : active_(limit.has_value()) {
        if (!active_) return;
        if (::getrlimit(RLIMIT_FSIZE, &saved_limit_) != 0) fail("getrlimit");
        rlimit lowered = saved_limit_;
        lowered.rlim_cur = static_cast<rlim_t>(*limit);
        if (::setrlimit(RLIMIT_FSIZE, &lowered) != 0) fail("setrlimit");
        struct sigaction ignore {};
        ignore.sa_handler = SIG_IGN;
        ::sigaction(SIGXFSZ, &ignore, &saved_action_);
    }
    ~FileSizeLimit() {
        if (!active_) return;
        ::setrlimit(RLIMIT_FSIZE, &saved_limit_);
        ::sigaction(SIGXFSZ, &saved_action_, nullptr);
    }

private:
    bool active_;
    rlimit saved_limit_{};
    struct sigaction saved_action_ {};
};

}  // namespace

std::vector<std::string> environment_with(const std::vector<std::string>& extra) {
    std::vector<std::string> environment;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        if (!is_colour_variable(*entry)) environment.emplace_back(*entry);
    }
    environment.insert(environment.end(), extra.begin(), extra.end());
    return environment;
}

// The sanitizers' runtime insists on coming first unless told not to check.
RunOptions preloaded(const std::string& library) {
    const char* sanitizer_options = std::getenv("ASAN_OPTIONS");
    std::vector<std::string> environment;
    for (const auto& entry : environment_with({})) {
        if (!entry.starts_with("LD_PRELOAD=") && !entry.starts_with("ASAN_OPTIONS=")) environment.push_back(entry);
    }
    environment.push_back("LD_PRELOAD=" + library);
    environment.push_back(std::string("ASAN_OPTIONS=") + (sanitizer_options ? sanitizer_options : "") +
                          (sanitizer_options ? ":" : "") + "verify_asan_link_order=0");
    RunOptions options;
    options.environment = environment;
    return options;
}

std::optional<std::string> why_proc_cannot_be_hidden() {
#if defined(__SANITIZE_ADDRESS__)
    return "the sanitizers' runtime needs /proc";
#else
    static const bool can = std::system(VEVI_WITHOUT_PROC " 2>/dev/null") == 0;
    if (!can) return "no mount namespace can be made here";
    return std::nullopt;
#endif
}

RunOptions meddled(const std::string& rules) {
    RunOptions options = preloaded(VEVI_MEDDLER);
    options.environment->push_back("VEVI_MEDDLE=" + rules);
    return options;
}

bool makes_unnamed_files(const std::filesystem::path& folder) {
    const int fd = ::open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
    if (fd < 0) return false;
    ::close(fd);
    return true;
}

bool swaps_names(const std::filesystem::path& folder) {
    const auto a = folder / ".swap-probe-a";
    const auto b = folder / ".swap-probe-b";
    std::ofstream(a).put('a');
    std::ofstream(b).put('b');
    const bool swapped = ::renameat2(AT_FDCWD, a.c_str(), AT_FDCWD, b.c_str(), RENAME_EXCHANGE) == 0;
    std::filesystem::remove(a);
    std::filesystem::remove(b);
    return swapped;
}

bool is_temporary_name(std::string_view name) {
    constexpr std::size_t suffix = std::string_view(".0123456789ab.tmp").size();
    if (name.size() <= suffix + 1 || !name.starts_with('.') || !name.ends_with(".tmp")) return false;
    const auto digits = name.substr(name.size() - suffix + 1, 12);
    return name[name.size() - suffix] == '.' &&
           std::all_of(digits.begin(), digits.end(), [](char c) { return std::isxdigit(c) && !std::isupper(c); });
}

ToolFolder::ToolFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "vevizovuvazavad-test-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) fail("mkdtemp");
    path_ = pattern;
}

ToolFolder::~ToolFolder() {
    // Tests may leave folders read-only; make everything removable first.
    std::error_code ignored;
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all, std::filesystem::perm_options::add, ignored);
    for (auto it = std::filesystem::recursive_directory_iterator(path_, ignored);
         it != std::filesystem::recursive_directory_iterator(); it.increment(ignored)) {
        if (it->is_directory(ignored) && !it->is_symlink(ignored)) {
            std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all,
                                         std::filesystem::perm_options::add, ignored);
        }
    }
    std::filesystem::remove_all(path_, ignored);
}

void ToolFolder::write(std::string_view name, std::string_view content) const {
    std::ofstream file(path_ / name, std::ios::binary | std::ios::trunc);
    file.write(content.data(), static_cast<std::streamsize>(content.size()));
    if (!file) throw std::runtime_error("cannot write " + (path_ / name).string());
}

std::string ToolFolder::read(std::string_view name) const {
    std::ifstream file(path_ / name, std::ios::binary);
    if (!file) throw std::runtime_error("cannot read " + (path_ / name).string());
    return std::string(std::istreambuf_iterator<char>(file), {});
}

bool ToolFolder::exists(std::string_view name) const {
    return std::filesystem::exists(std::filesystem::symlink_status(path_ / name));
}

std::vector<std::string> ToolFolder::entries() const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(path_)) {
        // A FUSE mount keeps a removed file that some process still holds open
        // under a hidden name of its own, until it is closed.
        if (!entry.path().filename().string().starts_with(".fuse_hidden")) names.push_back(entry.path().filename());
    }
    std::sort(names.begin(), names.end());
    return names;
}

RunResult ToolFolder::run(const std::vector<std::string>& args, const RunOptions& options) const {
    FileActions actions;
    if (posix_spawn_file_actions_addchdir_np(actions.get(), path_.c_str()) != 0) fail("addchdir");

    Pipe out;
    Pipe err;
    Pipe closed_out;
    Pipe closed_err;
    auto set_up = [&](int fd, StreamSetup setup, Pipe& captured, Pipe& closed) {
        switch (setup) {
        case StreamSetup::captured:
            if (fd == STDIN_FILENO) {
                posix_spawn_file_actions_addopen(actions.get(), fd, "/dev/null", O_RDONLY, 0);
            } else {
                posix_spawn_file_actions_adddup2(actions.get(), captured.write, fd);
            }
            break;
        case StreamSetup::closed: posix_spawn_file_actions_addclose(actions.get(), fd); break;
        case StreamSetup::closed_pipe:
            closed.close_read();
            posix_spawn_file_actions_adddup2(actions.get(), closed.write, fd);
            break;
        case StreamSetup::full_device:
            posix_spawn_file_actions_addopen(actions.get(), fd, "/dev/full", O_WRONLY, 0);
            break;
        }
    };
    Pipe unused_in;
    Pipe unused_in_closed;
    set_up(STDIN_FILENO, options.in, unused_in, unused_in_closed);
    if (options.out_path) {
        posix_spawn_file_actions_addopen(actions.get(), STDOUT_FILENO, options.out_path->c_str(), O_RDWR, 0);
    } else {
        set_up(STDOUT_FILENO, options.out, out, closed_out);
    }
    set_up(STDERR_FILENO, options.err, err, closed_err);

    std::vector<std::string> arguments{options.program.value_or(VEVI_EXECUTABLE)};
    if (options.without_proc) arguments = {VEVI_WITHOUT_PROC, VEVI_EXECUTABLE};
    arguments.insert(arguments.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& argument : arguments) {
        if (argument.find('\0') != std::string::npos) throw std::invalid_argument("an argument holds NUL");
        argv.push_back(argument.data());
    }
    argv.push_back(nullptr);

    std::vector<std::string> environment;
    std::vector<char*> envp;
    if (options.environment) {
        environment = *options.environment;
        for (std::string& entry : environment) envp.push_back(entry.data());
        envp.push_back(nullptr);
    }

    pid_t pid = 0;
    int spawned = 0;
    {
        FileSizeLimit limit(options.file_size_limit);
        const SpawnAttributes attributes;
        spawned = posix_spawn(&pid, options.without_proc ? VEVI_WITHOUT_PROC : VEVI_EXECUTABLE, actions.get(),
                              attributes.get(), argv.data(), options.environment ? envp.data() : environ);
    }
    if (spawned != 0) {
        errno = spawned;
        fail("posix_spawn");
    }
    out.close_write();
    err.close_write();
    closed_out.close_write();
    closed_err.close_write();

    RunResult result;
    drain(out, err, result, pid, std::chrono::steady_clock::now() + options.time_limit);
    int wait_status = 0;
    while (::waitpid(pid, &wait_status, 0) < 0) {
        if (errno != EINTR) fail("waitpid");
    }
    if (WIFEXITED(wait_status)) result.status = WEXITSTATUS(wait_status);
    if (WIFSIGNALED(wait_status)) result.signal = WTERMSIG(wait_status);
    return result;
}

}  // namespace vevizovuvazavad::testing
