#include "io/folder_lock.hpp"

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>

#include "io/write_place.hpp"

namespace vevizovuvazavad::io {
namespace {

void interrupt_wait(int) {}

// Sets an alarm that interrupts a blocking call after `seconds`; the
// previous handling of the alarm comes back when this ends.
class WaitLimit {
public:
    explicit WaitLimit(unsigned seconds) {
        struct sigaction interrupt {};
        interrupt.sa_handler = interrupt_wait;  // no SA_RESTART: the waiting call returns EINTR
        ::sigemptyset(&interrupt.sa_mask);
        ::sigaction(SIGALRM, &interrupt, &previous_);
        ::alarm(seconds);
    }
    WaitLimit(const WaitLimit&) = delete;
    WaitLimit& operator=(const WaitLimit&) = delete;
    ~WaitLimit() {
        ::alarm(0);
        ::sigaction(SIGALRM, &previous_, nullptr);
    }

private:
    struct sigaction previous_ {};
};

}  // namespace

std::expected<FolderLock, int> FolderLock::acquire(const std::string& path, unsigned wait_seconds) {
    const auto place = follow_links(path);
    if (!place) return FolderLock(FileDescriptor());
    FileDescriptor folder(::open((place->folder + "/.").c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!folder.valid()) return FolderLock(FileDescriptor());
    if (::flock(folder.get(), LOCK_EX | LOCK_NB) == 0) return FolderLock(std::move(folder));
    const WaitLimit limit(wait_seconds);
    if (::flock(folder.get(), LOCK_EX) != 0) return std::unexpected(errno == EINTR ? EWOULDBLOCK : errno);
    return FolderLock(std::move(folder));
}

}  // namespace vevizovuvazavad::io
