#include "system/file_entry.hpp"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <optional>

#include <fmt/format.h>

#include "system/write_entry.hpp"

namespace vevizovuvazavad::system {
namespace {

std::unexpected<NoEntry> no_entry(NoEntry::Why why, int error_number = 0) {
    return std::unexpected(NoEntry{why, error_number});
}

// A directory that cannot be opened on the way to the entry was renamed,
// removed or replaced by a link since the open, and a link that cannot be
// read (EINVAL) was replaced by something else; anything else is an error.
std::unexpected<NoEntry> folder_refused(int error_number) {
    if (error_number == ENOENT || error_number == ENOTDIR || error_number == ELOOP || error_number == EXDEV ||
        error_number == EINVAL)
        return no_entry(NoEntry::Why::moved);
    return no_entry(NoEntry::Why::failed, error_number);
}

// The kernel's own name for the open file, an absolute path without links;
// none without /proc, or for a file outside this process's root.
std::optional<std::string> kernel_name(int file) {
    char target[PATH_MAX + 1];
    const ssize_t length = ::readlink(proc_link(file).c_str(), target, sizeof target);
    if (length <= 0 || static_cast<std::size_t>(length) >= sizeof target || target[0] != '/') return std::nullopt;
    return std::string(target, static_cast<std::size_t>(length));
}

// Whether following the links of `path` by hand, as a check and never to
// choose where to write, arrives at `entry`.
bool leads_to(const std::string& path, const FileEntry& entry) {
    const auto landing = follow_links(path);
    if (!landing || landing->name != entry.name) return false;
    struct stat named {};
    struct stat opened {};
    return ::stat((landing->folder + "/.").c_str(), &named) == 0 && ::fstat(entry.folder.fd(), &opened) == 0 &&
           same_file(named, opened);
}

// Whether the kernel, following the links of `path` now with every check of
// its own, reaches `file` and finds it with no name but one.
bool reaches_only_name_of(const std::string& path, const struct stat& file) {
    const FileDescriptor reached(::open(path.c_str(), O_PATH | O_CLOEXEC));
    struct stat now {};
    return reached.valid() && ::fstat(reached.get(), &now) == 0 && same_file(now, file) && now.st_nlink == 1;
}

// Where the kernel cannot name the file: the entry the links of `path` lead
// to, taken only while it holds the very file the open reached. Following
// links by hand finds some name of that file, not necessarily the one the
// open came through, and follows links the kernel may refuse to: so the
// file must have no other name, and the kernel must still reach it through
// the path, once the entry is found.
std::expected<FileEntry, NoEntry> entry_by_hand(const struct stat& opened, const std::string& path) {
    auto landing = follow_links(path);
    if (!landing) return folder_refused(landing.error());
    auto folder = Folder::open(landing->folder);
    if (!folder) return folder_refused(folder.error());
    if (!holds_file(folder->fd(), landing->name, opened) || !reaches_only_name_of(path, opened))
        return no_entry(NoEntry::Why::moved);
    return FileEntry{*std::move(folder), std::move(landing->name)};
}

}  // namespace

bool same_file(const struct stat& a, const struct stat& b) { return a.st_dev == b.st_dev && a.st_ino == b.st_ino; }

bool another_name_of(const struct stat& linked, const struct stat& file) {
    return linked.st_dev == file.st_dev && linked.st_size == file.st_size &&
           linked.st_mtim.tv_sec == file.st_mtim.tv_sec && linked.st_mtim.tv_nsec == file.st_mtim.tv_nsec &&
           linked.st_nlink > 1;
}

std::string proc_link(int fd) { return fmt::format("/proc/self/fd/{}", fd); }

bool holds_file(int folder, const std::string& name, const struct stat& file) {
    struct stat now {};
    return ::fstatat(folder, name.c_str(), &now, AT_SYMLINK_NOFOLLOW) == 0 && same_file(now, file);
}

std::expected<FileEntry, NoEntry> entry_of(int file, const struct stat& opened, const std::string& path) {
    const auto name = kernel_name(file);
    if (!name) return entry_by_hand(opened, path);
    auto parts = split_path(*name);
    auto folder = Folder::open_without_links(parts.folder);
    // A kernel without openat2, or a system-call filter that forbids it.
    if (!folder && (folder.error() == ENOSYS || folder.error() == EPERM)) return entry_by_hand(opened, path);
    if (!folder) return folder_refused(folder.error());
    // Also catches a name that merely reads like the kernel's " (deleted)".
    if (!holds_file(folder->fd(), parts.name, opened)) return no_entry(NoEntry::Why::moved);
    FileEntry entry{*std::move(folder), std::move(parts.name)};
    // The links of the path still lead there: a name swapped for the file
    // between the two opens is not taken for a link followed.
    if (!leads_to(path, entry)) return no_entry(NoEntry::Why::moved);
    return entry;
}

}  // namespace vevizovuvazavad::system
