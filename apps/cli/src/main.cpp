// Start-up only: everything the tool does is in run_main.
#include <fcntl.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <unistd.h>
#include <cerrno>
#include <csignal>
#include <string>
#include <vector>

#include <orrincore_crypto/initialize.hpp>

#include "run_main.hpp"

namespace {

// A standard stream closed by the caller is connected to /dev/null before
// anything opens a file; otherwise the first file opened would take its
// number, and the report meant for that stream would be written into it.
bool connect_closed_standard_streams() {
    for (int fd = STDIN_FILENO; fd <= STDERR_FILENO; ++fd) {
        if (::fcntl(fd, F_GETFD) != -1 || errno != EBADF) continue;
        const int null = ::open("/dev/null", O_RDWR);
        if (null < 0) return false;
        if (null != fd) {
            const bool moved = ::dup2(null, fd) == fd;
            ::close(null);
            if (!moved) return false;
        }
    }
    return true;
}

// Signing keys pass through this process's memory: no core dump may carry
// them to a file. A limit of 0 stops the kernel writing one to a file, and it
// cannot be raised again; not being dumpable also stops dumps to a program
// (a core_pattern pipe, which ignores the limit) and keeps other processes
// of the same user from attaching to or reading this one.
void forbid_core_dumps() {
    const struct rlimit none { 0, 0 };
    ::setrlimit(RLIMIT_CORE, &none);
    ::prctl(PR_SET_DUMPABLE, 0, 0, 0, 0);
}

}  // namespace

int main(int argc, char** argv) {
    forbid_core_dumps();
    // A reader that went away must show as a failed write (status 101), and
    // a file-size limit as a failed write of that file (EFBIG), never end the
    // process by signal half-way through a write.
    std::signal(SIGPIPE, SIG_IGN);
    std::signal(SIGXFSZ, SIG_IGN);
    if (!connect_closed_standard_streams()) return 101;
    // New identifiers and keys need the operating system's random source,
    // and signing and verifying need libsodium.
    if (auto ready = orrincore_crypto::initialize(); !ready) {
        const std::string line = "error: " + ready.error().message() + "\n";
        [[maybe_unused]] const auto written = ::write(STDERR_FILENO, line.data(), line.size());
        return 101;
    }
    const std::vector<std::string> args(argv, argv + argc);
    return vevizovuvazavad::run_main(args);
}
