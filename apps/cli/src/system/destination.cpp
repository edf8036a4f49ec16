#include "system/destination.hpp"

#include <fcntl.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cerrno>

#include "system/file_entry.hpp"
#include "system/write_entry.hpp"

namespace vevizovuvazavad::system {
namespace {

// As a plain write opens its output, without truncating it.
constexpr int open_flags = O_WRONLY | O_CREAT | O_CLOEXEC | O_NOCTTY;

mode_t creation_mode(FileMode mode) { return mode == FileMode::owner_only ? 0600 : 0666; }

// Whether a secret may go through this device or pipe: only where no one
// else may read it, or into the null device.
bool takes_secrets(const struct stat& status) {
    if (S_ISCHR(status.st_mode) && status.st_rdev == makedev(1, 3)) return true;
    return !S_ISREG(status.st_mode) && status.st_uid == ::geteuid() && (status.st_mode & (S_IRGRP | S_IROTH)) == 0;
}

Step<Destination> new_name(const std::string& folder, std::string name, std::string through_links = {}) {
    auto opened = Folder::open(folder);
    if (!opened) return failed(Operation::open, opened.error());
    return NewName{*std::move(opened), std::move(name), std::move(through_links)};
}

// Removes what an open with O_CREAT may have made after the name it was to
// open went away: an empty file of this process's user, still in the entry.
void discard_if_made_by_open(int folder, const std::string& name, const struct stat& opened) {
    if (opened.st_size == 0 && opened.st_nlink == 1 && opened.st_uid == ::geteuid() && holds_file(folder, name, opened))
        ::unlinkat(folder, name.c_str(), 0);
}

Step<Destination> open_file(FileDescriptor opened, const struct stat& status, FileMode mode) {
    if (mode == FileMode::owner_only && !takes_secrets(status))
        return S_ISREG(status.st_mode) ? name_changed(Operation::look) : failed(Operation::open, EACCES);
    return OpenFile{std::move(opened), status};
}

// A name that is a symbolic link. Whether the kernel follows it is asked
// first without creating anything; a link to a name not there yet then
// leads to a new name, which the new file takes whole.
Step<Destination> through_link(const std::string& path, FileMode mode) {
    if (FileDescriptor probe(::open(path.c_str(), O_PATH | O_CLOEXEC)); !probe.valid()) {
        if (errno != ENOENT) return failed(Operation::open, errno);
        auto landing = follow_links(path);
        // EINVAL: a link turned into something else while it was read.
        if (!landing && landing.error() == EINVAL) return name_changed(Operation::look);
        if (!landing) return failed(Operation::look, landing.error());
        return new_name(landing->folder, std::move(landing->name), path);
    }
    FileDescriptor opened(::open(path.c_str(), open_flags, creation_mode(mode)));
    if (!opened.valid()) return failed(Operation::open, errno);
    struct stat status {};
    if (::fstat(opened.get(), &status) != 0) return failed(Operation::look, errno);
    if (!S_ISREG(status.st_mode) || status.st_nlink == 0) return open_file(std::move(opened), status, mode);
    auto entry = entry_of(opened.get(), status, path);
    if (!entry) {
        switch (entry.error().why) {
        case NoEntry::Why::moved: return name_changed(Operation::look);
        case NoEntry::Why::failed: return failed(Operation::open, entry.error().error_number);
        }
    }
    return ExistingName{std::move(entry->folder), std::move(entry->name), std::move(opened), status};
}

}  // namespace

Step<Destination> destination_of(const std::string& path, FileMode mode) {
    struct stat status {};
    if (path.ends_with('/')) {
        // Names a directory, or nothing that could become a file.
        if (::stat(path.c_str(), &status) != 0) return failed(Operation::look, errno);
        return failed(Operation::open, S_ISDIR(status.st_mode) ? EISDIR : ENOTDIR);
    }
    auto parts = split_path(path);
    auto parent = Folder::open(parts.folder);
    if (!parent) return failed(Operation::open, parent.error());
    // What the name holds, looked at without following, opening or creating
    // anything: the open below is checked against it.
    const FileDescriptor named(::openat(parent->fd(), parts.name.c_str(), O_PATH | O_NOFOLLOW | O_CLOEXEC));
    if (!named.valid() && errno == ENOENT) return NewName{*std::move(parent), std::move(parts.name), {}};
    struct stat named_status {};
    if (!named.valid() || ::fstat(named.get(), &named_status) != 0) return failed(Operation::look, errno);
    // Whether a link may be followed is for the kernel to say.
    if (S_ISLNK(named_status.st_mode)) return through_link(path, mode);
    // The name itself. Where it holds the file, the replacement goes to that
    // entry of the directory just opened: no one who renames the file away
    // meanwhile takes the rename with it.
    FileDescriptor opened(::openat(parent->fd(), parts.name.c_str(), open_flags | O_NOFOLLOW, creation_mode(mode)));
    if (!opened.valid()) {
        const int refused = errno;
        // A link put there since is refused so (in a sticky directory, EACCES
        // rather than ELOOP): the write starts again, and follows it.
        if ((refused == ELOOP || refused == EACCES) &&
            ::fstatat(parent->fd(), parts.name.c_str(), &status, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(status.st_mode))
            return name_changed(Operation::open);
        return failed(Operation::open, refused);
    }
    if (::fstat(opened.get(), &status) != 0) return failed(Operation::look, errno);
    // Another file than the one held: the name changed in between, and the
    // open may have made an empty file, which goes again. Its inode number
    // alone does not tell: a file system may give a new file the number of
    // one just removed (FUSE does, whatever this process holds).
    if (!same_file(named_status, status) || named_status.st_size != status.st_size ||
        named_status.st_ctim.tv_sec != status.st_ctim.tv_sec ||
        named_status.st_ctim.tv_nsec != status.st_ctim.tv_nsec) {
        discard_if_made_by_open(parent->fd(), parts.name, status);
        return name_changed(Operation::look);
    }
    if (!S_ISREG(status.st_mode)) return open_file(std::move(opened), status, mode);
    if (status.st_nlink == 0 || !holds_file(parent->fd(), parts.name, status)) return name_changed(Operation::look);
    return ExistingName{*std::move(parent), std::move(parts.name), std::move(opened), status};
}

}  // namespace vevizovuvazavad::system
