#include "io/replace_file.hpp"

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <optional>

#include "io/file_descriptor.hpp"
#include "io/write_all.hpp"
#include "io/write_place.hpp"

namespace vevizovuvazavad::io {
namespace {

// Leaves room in a 255-byte file name for the temporary's prefix and suffix.
constexpr std::size_t max_name_in_temporary = 200;
// How often a write starts again when the folder changed under it.
constexpr int max_attempts = 8;
// Not an error a write reports: the folder changed, start again.
constexpr int changed_meanwhile = -1;

bool same_file(const struct stat& a, const struct stat& b) { return a.st_dev == b.st_dev && a.st_ino == b.st_ino; }

std::string temporary_name(std::string_view name) {
    std::array<unsigned char, 6> noise{};
    if (::getentropy(noise.data(), noise.size()) != 0) {
        const auto pid = static_cast<std::uint32_t>(::getpid());
        for (std::size_t i = 0; i < noise.size(); ++i) noise[i] = static_cast<unsigned char>(pid >> (8 * (i % 4)));
    }
    char suffix[32];
    std::snprintf(suffix, sizeof suffix, ".%02x%02x%02x%02x%02x%02x.tmp", noise[0], noise[1], noise[2], noise[3],
                  noise[4], noise[5]);
    std::string out = ".";
    out.append(name.substr(0, max_name_in_temporary)).append(suffix);
    return out;
}

// The folder a write renames in, opened through "/." so that a link in its
// place is walked through as the kernel walks the path, not refused as a
// final link. A folder the user may write but not read is opened only to
// name files in; it cannot be flushed.
struct Folder {
    FileDescriptor fd;
    bool can_flush;
};

std::expected<Folder, int> open_folder(const std::string& path) {
    const std::string through = path + "/.";
    if (const int fd = ::open(through.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); fd >= 0)
        return Folder{FileDescriptor(fd), true};
    if (errno != EACCES) return std::unexpected(errno);
    const int fd = ::open(through.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return std::unexpected(errno);
    return Folder{FileDescriptor(fd), false};
}

std::expected<void, int> flush(const Folder& folder) {
    // Some file systems cannot flush a folder; they report EINVAL.
    if (folder.can_flush && ::fsync(folder.fd.get()) != 0 && errno != EINVAL) return std::unexpected(errno);
    return {};
}

// A fresh temporary file beside the place; `mode` as a new file gets it (less
// the file-creation mask).
struct Temporary {
    FileDescriptor file;
    std::string name;
};

std::expected<Temporary, int> make_temporary(const Folder& folder, std::string_view beside, mode_t mode) {
    for (int attempt = 0; attempt < 16; ++attempt) {
        std::string name = temporary_name(beside);
        const int fd = ::openat(folder.fd.get(), name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
        if (fd >= 0) return Temporary{FileDescriptor(fd), std::move(name)};
        if (errno != EEXIST) return std::unexpected(errno);
    }
    return std::unexpected(EEXIST);
}

// The temporary's content and, for a file it replaces, that file's
// permission bits and owner; flushed and closed.
std::expected<void, int> fill(Temporary& temporary, const FileContent& content, FileMode mode,
                              const struct stat* replaced) {
    if (auto written = content(temporary.file.get()); !written) return written;
    if (replaced && mode == FileMode::record) {
        // Only root or a member of the group may give the file away; where
        // that is refused the record belongs to whoever replaced it.
        if (::fchown(temporary.file.get(), replaced->st_uid, replaced->st_gid) != 0 && errno != EPERM)
            return std::unexpected(errno);
        if (::fchmod(temporary.file.get(), replaced->st_mode & 07777) != 0) return std::unexpected(errno);
    }
    if (::fsync(temporary.file.get()) != 0) return std::unexpected(errno);
    if (temporary.file.close() != 0) return std::unexpected(errno);
    return {};
}

// Writes the temporary and renames it to `name`: over the file there, or,
// with RENAME_NOREPLACE, to a name that must still be free.
std::expected<void, int> write_and_rename(const Folder& folder, const std::string& name, const FileContent& content,
                                          FileMode mode, const struct stat* replaced) {
    const mode_t creation_mode = mode == FileMode::owner_only || replaced ? 0600 : 0666;
    auto temporary = make_temporary(folder, name, creation_mode);
    if (!temporary) return std::unexpected(temporary.error());
    std::expected<void, int> written;
    try {
        written = fill(*temporary, content, mode, replaced);
    } catch (...) {
        // The content is made as it is written, and making it can run out
        // of memory: no temporary is left behind for that either.
        ::unlinkat(folder.fd.get(), temporary->name.c_str(), 0);
        throw;
    }
    if (written) {
        const unsigned flags = replaced ? 0 : RENAME_NOREPLACE;
        if (::renameat2(folder.fd.get(), temporary->name.c_str(), folder.fd.get(), name.c_str(), flags) != 0)
            written = std::unexpected(errno == EEXIST ? changed_meanwhile : errno);
    }
    if (!written) ::unlinkat(folder.fd.get(), temporary->name.c_str(), 0);
    return written;
}

// A name that does not exist yet: the temporary takes it, and only while it
// is still free. Making a file there is checked by the kernel as the plain
// write's own creation would be; no empty file is ever seen under the name.
std::expected<void, int> create(const std::string& path, const FileContent& content, FileMode mode) {
    const auto slash = path.rfind('/');
    const std::string folder_path = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    auto folder = open_folder(folder_path);
    if (!folder) return std::unexpected(folder.error());
    if (auto written = write_and_rename(*folder, name, content, mode, nullptr); !written) return written;
    return flush(*folder);
}

// What the open of a plain write reached, when it is not a regular file with
// a name to rename over: a device, a pipe, a file that no name leads to. A
// secret goes only where no one else may read it: the user's own device or
// pipe, or the null device.
std::expected<void, int> write_through(FileDescriptor& file, const struct stat& status, const FileContent& content,
                                       FileMode mode) {
    if (mode == FileMode::owner_only) {
        const bool null_device = S_ISCHR(status.st_mode) && status.st_rdev == makedev(1, 3);
        if (S_ISREG(status.st_mode)) return std::unexpected(changed_meanwhile);
        if (!null_device && status.st_uid != ::geteuid()) return std::unexpected(EACCES);
    }
    if (S_ISREG(status.st_mode) && ::ftruncate(file.get(), 0) != 0) return std::unexpected(errno);
    if (auto written = content(file.get()); !written) return written;
    if (file.close() != 0) return std::unexpected(errno);
    return {};
}

// A file the open made through a link that led nowhere is removed again if
// the write fails, as long as the name still holds that very file.
class MadeByOpen {
public:
    MadeByOpen(const Folder& folder, const std::string& name, const struct stat& made)
        : folder_(folder), name_(name), made_(made) {}
    MadeByOpen(const MadeByOpen&) = delete;
    MadeByOpen& operator=(const MadeByOpen&) = delete;
    ~MadeByOpen() {
        struct stat now {};
        if (armed_ && ::fstatat(folder_.fd.get(), name_.c_str(), &now, AT_SYMLINK_NOFOLLOW) == 0 &&
            same_file(now, made_))
            ::unlinkat(folder_.fd.get(), name_.c_str(), 0);
    }
    void keep() { armed_ = false; }

private:
    const Folder& folder_;
    const std::string& name_;
    struct stat made_;
    bool armed_ = true;
};

// An existing name, a file or a link: opened as the plain write opens it,
// without truncating, so that the kernel follows the links and applies its
// checks; the replacement is then renamed over the file it reached.
std::expected<void, int> replace(const std::string& path, const FileContent& content, FileMode mode) {
    // A link that leads nowhere yet: the open makes the file it names.
    struct stat before {};
    const bool dangling = ::stat(path.c_str(), &before) != 0 && errno == ENOENT;
    const mode_t creation_mode = mode == FileMode::owner_only ? 0600 : 0666;
    FileDescriptor file(::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC | O_NOCTTY, creation_mode));
    if (!file.valid()) return std::unexpected(errno);
    struct stat reached {};
    if (::fstat(file.get(), &reached) != 0) return std::unexpected(errno);
    if (!S_ISREG(reached.st_mode)) return write_through(file, reached, content, mode);

    // The name to rename over is the one that leads to the file just opened.
    auto place = follow_links(path);
    if (!place) return write_through(file, reached, content, mode);
    auto folder = open_folder(place->folder);
    if (!folder) return std::unexpected(folder.error());
    struct stat named {};
    if (::fstatat(folder->fd.get(), place->name.c_str(), &named, AT_SYMLINK_NOFOLLOW) != 0 ||
        !same_file(named, reached))
        return write_through(file, reached, content, mode);

    // What the open made stands in for the file until the rename: it has the
    // mode and owner a new file gets.
    std::optional<MadeByOpen> made;
    if (dangling) made.emplace(*folder, place->name, reached);
    if (auto written = write_and_rename(*folder, place->name, content, mode, &reached); !written) return written;
    if (made) made->keep();
    return flush(*folder);
}

}  // namespace

std::expected<void, int> replace_file(const std::string& path, std::string_view bytes, FileMode mode) {
    return replace_file(path, [bytes](int fd) { return write_all(fd, bytes); }, mode);
}

std::expected<void, int> replace_file(const std::string& path, const FileContent& content, FileMode mode) {
    if (path.ends_with('/')) {
        // Names a folder, or nothing that could become a file.
        struct stat status {};
        if (::stat(path.c_str(), &status) != 0) return std::unexpected(errno);
        return std::unexpected(S_ISDIR(status.st_mode) ? EISDIR : ENOTDIR);
    }
    for (int attempt = 0; attempt < max_attempts; ++attempt) {
        struct stat named {};
        std::expected<void, int> written;
        if (::lstat(path.c_str(), &named) == 0) {
            written = replace(path, content, mode);
        } else if (errno == ENOENT) {
            written = create(path, content, mode);
        } else {
            return std::unexpected(errno);
        }
        if (written || written.error() != changed_meanwhile) return written;
    }
    return std::unexpected(EAGAIN);
}

}  // namespace vevizovuvazavad::io
