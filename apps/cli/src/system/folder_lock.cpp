#include "system/folder_lock.hpp"

#include <fcntl.h>
#include <sys/file.h>

#include <algorithm>
#include <cerrno>
#include <thread>

#include "system/write_entry.hpp"

namespace vevizovuvazavad::system {
namespace {

// How long a waiter sleeps between tries at most: short beside any wait, long
// enough that a queue of waiters costs the machine nothing.
constexpr std::chrono::milliseconds longest_pause{50};

// The directory whose lock guards a write to `path`: the one its links lead
// to, where the writer renames (it writes only into the entry they still
// lead to). Following them by hand only picks the lock, never where bytes
// land. None where nothing can be opened there.
std::optional<Folder> folder_of_write(const std::string& path) {
    const auto landing = follow_links(path);
    auto folder = Folder::open(landing ? landing->folder : split_path(path).folder);
    if (!folder) return std::nullopt;
    return *std::move(folder);
}

}  // namespace

std::expected<FolderLock, int> FolderLock::acquire(const std::string& path, std::chrono::milliseconds wait) {
    auto folder = folder_of_write(path);
    if (!folder) return FolderLock(std::nullopt);
    // A directory opened only for naming files cannot be locked, and writes
    // in it unlocked could lose each other's changes.
    if (!folder->readable()) return std::unexpected(EACCES);
    // Tried without blocking, against the clock, so that no signal mask or
    // timer of the caller can stretch the wait.
    const auto deadline = std::chrono::steady_clock::now() + wait;
    for (std::chrono::milliseconds pause{1};; pause = std::min(2 * pause, longest_pause)) {
        if (::flock(folder->fd(), LOCK_EX | LOCK_NB) == 0) return FolderLock(*std::move(folder));
        if (errno != EWOULDBLOCK && errno != EINTR) return std::unexpected(errno);
        const auto now = std::chrono::steady_clock::now();
        if (now >= deadline) return std::unexpected(EWOULDBLOCK);
        std::this_thread::sleep_for(std::min<std::chrono::steady_clock::duration>(pause, deadline - now));
    }
}

}  // namespace vevizovuvazavad::system
