#include "system/file_entry.hpp"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <climits>

#include <fmt/format.h>

namespace vevizovuvazavad::system {

bool same_file(const struct stat& a, const struct stat& b) { return a.st_dev == b.st_dev && a.st_ino == b.st_ino; }

std::string proc_link(int fd) { return fmt::format("/proc/self/fd/{}", fd); }

bool holds_file(const Folder& folder, const std::string& name, const struct stat& file) {
    struct stat now {};
    return ::fstatat(folder.fd(), name.c_str(), &now, AT_SYMLINK_NOFOLLOW) == 0 && same_file(now, file);
}

std::expected<FileEntry, NoEntry> entry_of(int file, const struct stat& opened) {
    if (opened.st_nlink == 0) return std::unexpected(NoEntry{NoEntry::Why::unnamed});
    // The kernel's own name for the open file: an absolute path without links.
    char target[PATH_MAX + 1];
    const ssize_t length = ::readlink(proc_link(file).c_str(), target, sizeof target);
    // Without /proc, or for a file outside this process's root, there is no name to go by.
    if (length <= 0 || static_cast<std::size_t>(length) >= sizeof target || target[0] != '/')
        return std::unexpected(NoEntry{NoEntry::Why::unnamed});
    auto parts = split_path(std::string(target, static_cast<std::size_t>(length)));
    auto folder = Folder::open_without_links(parts.folder);
    if (!folder) {
        // A component renamed, removed or replaced by a link since the open.
        const int error = folder.error();
        if (error == ENOENT || error == ENOTDIR || error == ELOOP || error == EXDEV)
            return std::unexpected(NoEntry{NoEntry::Why::moved});
        return std::unexpected(NoEntry{NoEntry::Why::failed, error});
    }
    // Also catches a name that merely reads like the kernel's " (deleted)".
    if (!holds_file(*folder, parts.name, opened)) return std::unexpected(NoEntry{NoEntry::Why::moved});
    return FileEntry{*std::move(folder), std::move(parts.name)};
}

}  // namespace vevizovuvazavad::system
