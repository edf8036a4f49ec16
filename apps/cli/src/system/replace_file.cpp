#include "system/replace_file.hpp"

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdlib>
#include <optional>
#include <vector>

#include <fmt/format.h>
#include <fmt/ranges.h>

#include "system/file_descriptor.hpp"
#include "system/file_entry.hpp"
#include "system/folder.hpp"
#include "system/write_all.hpp"
#include "system/write_entry.hpp"

namespace vevizovuvazavad::system {
namespace {

// Leaves space in a 255-byte file name for the temporary's prefix and suffix.
constexpr std::size_t max_name_in_temporary = 200;
// How often a write starts again when a name changed under it.
constexpr int max_attempts = 8;
// How many fresh names a temporary tries before the directory is taken to be
// full of them.
constexpr int max_temporary_names = 16;
constexpr const char* access_acl = "system.posix_acl_access";

// Why a step did not complete. A name that changed under the write sends it
// back to its start, where every file is staged afresh; anything else ends it
// with an error number to report.
struct NotDone {
    enum class Then { retry, fail };
    Then then;
    int error_number = 0;
};
template <class T = void>
using Step = std::expected<T, NotDone>;

std::unexpected<NotDone> failed(int error_number) {
    return std::unexpected(NotDone{NotDone::Then::fail, error_number});
}
std::unexpected<NotDone> name_changed() { return std::unexpected(NotDone{NotDone::Then::retry}); }

// As with new identifiers, the random source was checked at start-up: a
// failure now leaves no sound way on.
std::string temporary_name(std::string_view beside) {
    std::array<unsigned char, 6> noise{};
    if (::getentropy(noise.data(), noise.size()) != 0) std::abort();
    return fmt::format(".{}.{:02x}.tmp", beside.substr(0, max_name_in_temporary), fmt::join(noise, ""));
}

// An unnamed file is given a name through its /proc link, so it needs one.
bool unnamed_files_can_be_named() {
    static const bool available = ::access("/proc/self/fd", X_OK) == 0;
    return available;
}

// The new content's file, in the directory it is renamed in. It has no name
// until its content is complete where the file system allows (a process
// killed before then leaves nothing), and otherwise a fresh name. It goes
// unless it took its place; under its name, only what it is sure of is ever
// removed, never a file someone else moved there.
class Temporary {
public:
    // In `folder`, which must stay open while this lives.
    static Step<Temporary> make(const Folder& folder, std::string_view beside, mode_t mode) {
        if (unnamed_files_can_be_named()) {
            const int fd = ::openat(folder.fd(), ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, mode);
            if (fd >= 0) return made(folder, FileDescriptor(fd), "", beside);
            // File systems without unnamed files refuse in one of these ways.
            if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) return failed(errno);
        }
        for (int attempt = 0; attempt < max_temporary_names; ++attempt) {
            std::string name = temporary_name(beside);
            const int fd = ::openat(folder.fd(), name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
            if (fd >= 0) return made(folder, FileDescriptor(fd), std::move(name), beside);
            if (errno != EEXIST) return failed(errno);
        }
        return failed(EEXIST);
    }
    Temporary(Temporary&& other) noexcept
        : folder_(other.folder_),
          file_(std::move(other.file_)),
          own_(other.own_),
          name_(std::move(other.name_)),
          beside_(std::move(other.beside_)) {
        other.name_.clear();
    }
    Temporary& operator=(Temporary&&) = delete;
    ~Temporary() {
        if (!name_.empty() && holds(own_)) ::unlinkat(folder_, name_.c_str(), 0);
    }

    int fd() const { return file_.get(); }
    // The status of the file itself, which names are checked against.
    const struct stat& own() const { return own_; }

    // Gives the file `name`, which must still be free.
    Step<> take_free_name(const std::string& name) {
        if (name_.empty()) {
            if (::linkat(AT_FDCWD, proc_link(fd()).c_str(), folder_, name.c_str(), AT_SYMLINK_FOLLOW) != 0)
                return errno == EEXIST ? name_changed() : failed(errno);
        } else if (::renameat2(folder_, name_.c_str(), folder_, name.c_str(), RENAME_NOREPLACE) != 0) {
            return errno == EEXIST ? name_changed() : failed(errno);
        }
        name_.clear();
        return {};
    }

    // Swaps the file with what the entry `name` holds, which then goes with
    // the temporary; swapping again takes it back. EINVAL where the file
    // system cannot swap names.
    Step<> exchange_with(const std::string& name) {
        if (auto named = take_temporary_name(); !named) return named;
        if (::renameat2(folder_, name_.c_str(), folder_, name.c_str(), RENAME_EXCHANGE) != 0)
            return errno == ENOENT ? name_changed() : failed(errno);
        return {};
    }

    // Renames the file over the entry `name`, for good.
    Step<> rename_over(const std::string& name) {
        if (auto named = take_temporary_name(); !named) return named;
        if (::renameat(folder_, name_.c_str(), folder_, name.c_str()) != 0) return failed(errno);
        name_.clear();
        return {};
    }

    // Whether the temporary's name holds the file of status `file`.
    bool holds(const struct stat& file) const { return !name_.empty() && holds_file(folder_, name_, file); }

    // Removes the file a swap displaced, `displaced`, from under the
    // temporary's name, unless someone put another there.
    void remove_displaced(const struct stat& displaced) {
        if (holds(displaced)) ::unlinkat(folder_, name_.c_str(), 0);
        name_.clear();
    }

private:
    Temporary(const Folder& folder, FileDescriptor file, const struct stat& own, std::string name,
              std::string_view beside)
        : folder_(folder.fd()), file_(std::move(file)), own_(own), name_(std::move(name)), beside_(beside) {}

    static Step<Temporary> made(const Folder& folder, FileDescriptor file, std::string name, std::string_view beside) {
        struct stat own {};
        if (::fstat(file.get(), &own) != 0) {
            const int error = errno;
            if (!name.empty()) ::unlinkat(folder.fd(), name.c_str(), 0);
            return failed(error);
        }
        return Temporary(folder, std::move(file), own, std::move(name), beside);
    }

    // A swap or rename needs a name to move: from here on a process killed
    // leaves the temporary behind.
    Step<> take_temporary_name() {
        if (!name_.empty()) return {};
        for (int attempt = 0; attempt < max_temporary_names; ++attempt) {
            std::string name = temporary_name(beside_);
            if (::linkat(AT_FDCWD, proc_link(fd()).c_str(), folder_, name.c_str(), AT_SYMLINK_FOLLOW) == 0) {
                name_ = std::move(name);
                return {};
            }
            if (errno != EEXIST) return failed(errno);
        }
        return failed(EEXIST);
    }

    int folder_;  // owned by whoever owns this, which outlives it
    FileDescriptor file_;
    struct stat own_;
    std::string name_;  // empty while unnamed, and once moved to its place
    std::string beside_;
};

// Whether an error of an extended attribute only says that there is none:
// the file has no such list, or its file system keeps none.
bool no_attribute(int error_number) { return error_number == ENODATA || error_number == ENOTSUP; }

// An access control list as stored, or none: then the mode bits alone decide.
using AccessAcl = std::optional<std::string>;

std::expected<AccessAcl, int> access_acl_of(int from) {
    std::string acl;
    for (;;) {
        ssize_t size = ::fgetxattr(from, access_acl, nullptr, 0);
        if (size >= 0) {
            acl.resize(static_cast<std::size_t>(size));
            size = ::fgetxattr(from, access_acl, acl.data(), acl.size());
        }
        if (size >= 0) {
            acl.resize(static_cast<std::size_t>(size));
            return acl;
        }
        if (no_attribute(errno)) return AccessAcl{};
        // ERANGE: the list grew between the two reads.
        if (errno != ERANGE) return std::unexpected(errno);
    }
}

// Gives `to` exactly the access control list `acl`, or none. A new file
// inherits its directory's default list; a replacement must not gain, from
// the directory, access the file it replaces did not give.
Step<> set_access_acl(int to, const AccessAcl& acl) {
    if (acl) {
        if (::fsetxattr(to, access_acl, acl->data(), acl->size(), 0) != 0 && errno != ENOTSUP) return failed(errno);
    } else if (::fremovexattr(to, access_acl) != 0 && !no_attribute(errno)) {
        return failed(errno);
    }
    return {};
}

// The temporary's content and permissions, flushed. A replaced record keeps
// the replaced file's mode, list and, where the process may give it away,
// owner; a secret is 0600 whatever the file-creation mask made it.
Step<> fill(Temporary& temporary, const FileReplacement& file, const FileDescriptor* replaced,
            const struct stat* replaced_status) {
    const int fd = temporary.fd();
    if (auto written = file.content(fd); !written) return failed(written.error());
    // The list goes before the mode, whose group bits an access control
    // list would otherwise read as its mask.
    if (file.mode == FileMode::owner_only) {
        if (auto set = set_access_acl(fd, std::nullopt); !set) return set;
        if (::fchmod(fd, 0600) != 0) return failed(errno);
    } else if (replaced) {
        // Only root or a member of the group may give the file away; where
        // that is refused the record belongs to whoever replaced it.
        if (::fchown(fd, replaced_status->st_uid, replaced_status->st_gid) != 0 && errno != EPERM) return failed(errno);
        auto acl = access_acl_of(replaced->get());
        if (!acl) return failed(acl.error());
        if (auto set = set_access_acl(fd, *acl); !set) return set;
        if (::fchmod(fd, replaced_status->st_mode & 07777) != 0) return failed(errno);
    }
    if (::fsync(fd) != 0) return failed(errno);
    return {};
}

// Whether a secret may go through this device or pipe: only where no one
// else may read it, or into the null device.
bool takes_secrets(const struct stat& status) {
    if (S_ISCHR(status.st_mode) && status.st_rdev == makedev(1, 3)) return true;
    return !S_ISREG(status.st_mode) && status.st_uid == ::geteuid() && (status.st_mode & (S_IRGRP | S_IROTH)) == 0;
}

// One file of a replacement: written and flushed, then put in place, and
// taken back if a later file of the replacement cannot be.
class StagedFile {
public:
    // A name that does not exist yet: the temporary takes it while it is
    // still free. Making a file there is checked by the kernel as the plain
    // write's own creation would be; no empty file is ever seen under it.
    static Step<StagedFile> new_name(const FileReplacement& file) {
        auto parts = split_path(file.path);
        auto folder = Folder::open(parts.folder);
        if (!folder) return failed(folder.error());
        StagedFile staged(Kind::new_name, *std::move(folder), std::move(parts.name));
        const mode_t creation_mode = file.mode == FileMode::owner_only ? 0600 : 0666;
        if (auto made = staged.make_temporary(file, creation_mode, nullptr); !made)
            return std::unexpected(made.error());
        return staged;
    }

    // An existing name, a file or a link: opened as the plain write opens it,
    // without truncating, so that the kernel follows the links and applies
    // its checks; the replacement goes to the entry it reached.
    static Step<StagedFile> existing_name(const FileReplacement& file) {
        auto parts = split_path(file.path);
        auto parent = Folder::open(parts.folder);
        if (!parent) return failed(parent.error());
        const mode_t creation_mode = file.mode == FileMode::owner_only ? 0600 : 0666;
        const int flags = O_WRONLY | O_CREAT | O_CLOEXEC | O_NOCTTY;
        // The name itself first. Where it holds the file, the replacement
        // goes to that entry of the directory just opened: no one who renames
        // the file away meanwhile takes the rename with it.
        FileDescriptor opened(::openat(parent->fd(), parts.name.c_str(), flags | O_NOFOLLOW, creation_mode));
        int refused = opened.valid() ? 0 : errno;
        // A link is refused so (in a sticky directory, EACCES rather than
        // ELOOP); whether it may be followed is for the second open to say.
        bool through_link = false;
        bool dangling = false;  // the open makes the file the link names
        struct stat named {};
        if ((refused == ELOOP || refused == EACCES) &&
            ::fstatat(parent->fd(), parts.name.c_str(), &named, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(named.st_mode)) {
            through_link = true;
            struct stat target {};
            dangling = ::fstatat(parent->fd(), parts.name.c_str(), &target, 0) != 0 && errno == ENOENT;
            opened = FileDescriptor(::openat(parent->fd(), parts.name.c_str(), flags, creation_mode));
            refused = opened.valid() ? 0 : errno;
        }
        if (!opened.valid()) return failed(refused);
        struct stat reached {};
        if (::fstat(opened.get(), &reached) != 0) return failed(errno);
        if (!S_ISREG(reached.st_mode) || reached.st_nlink == 0) return through(std::move(opened), reached, file);
        std::optional<FileEntry> entry;
        if (!through_link) {
            if (!holds_file(parent->fd(), parts.name, reached)) return name_changed();
            entry.emplace(FileEntry{*std::move(parent), std::move(parts.name)});
        } else {
            auto found = entry_of(opened.get(), reached, file.path);
            if (!found) {
                switch (found.error().why) {
                case NoEntry::Why::moved: return name_changed();
                case NoEntry::Why::failed: return failed(found.error().error_number);
                }
            }
            entry.emplace(*std::move(found));
        }
        // Until the swap, what the open made stands in for the file: it has
        // the mode and owner a new file gets, and goes if the write fails.
        // The open file is kept, so that no other file can take its inode
        // number, which the entry is checked against, meanwhile.
        StagedFile staged(Kind::existing_name, std::move(entry->folder), std::move(entry->name));
        staged.opened_ = std::move(opened);
        staged.reached_ = reached;
        staged.made_by_open_ = dangling;
        if (auto made = staged.make_temporary(file, 0600, &staged.opened_); !made) return std::unexpected(made.error());
        return staged;
    }

    StagedFile(StagedFile&& other) noexcept
        : kind_(other.kind_),
          folder_(std::move(other.folder_)),
          name_(std::move(other.name_)),
          temporary_(std::move(other.temporary_)),
          opened_(std::move(other.opened_)),
          reached_(other.reached_),
          content_(other.content_),
          made_by_open_(std::exchange(other.made_by_open_, false)),
          placed_(std::exchange(other.placed_, Placed::finished)) {}
    StagedFile& operator=(StagedFile&&) = delete;
    ~StagedFile() {
        // A replacement left by an exception is taken back like a failed one.
        if (placed_ == Placed::swapped || placed_ == Placed::for_good) take_back();
        if (made_by_open_ && placed_ == Placed::not_yet && still_made_by_open())
            ::unlinkat(folder_->fd(), name_.c_str(), 0);
    }

    // Whether the entry still holds what the file was staged against: no
    // file under a new name, the file the open reached under an existing one.
    bool unchanged() const {
        struct stat now {};
        switch (kind_) {
        case Kind::new_name:
            return ::fstatat(folder_->fd(), name_.c_str(), &now, AT_SYMLINK_NOFOLLOW) != 0 && errno == ENOENT;
        case Kind::existing_name: return holds_file(folder_->fd(), name_, reached_);
        case Kind::through: return true;
        }
        return false;
    }

    // Puts the new content in its place, or writes it through the open file.
    Step<> place() {
        Step<> done;
        switch (kind_) {
        case Kind::new_name: done = temporary_->take_free_name(name_); break;
        case Kind::existing_name: return swap_in();
        case Kind::through: done = write_through(); break;
        }
        if (done) placed_ = Placed::for_good;
        return done;
    }

    // Takes back what place() did, as far as it can: false for a write that
    // cannot be taken back.
    bool take_back() {
        switch (placed_) {
        case Placed::not_yet: return true;
        case Placed::finished: return false;
        case Placed::for_good:
            if (kind_ != Kind::new_name) return false;
            // Only the name given; what someone put there since is theirs.
            if (holds_file(folder_->fd(), name_, temporary_->own())) ::unlinkat(folder_->fd(), name_.c_str(), 0);
            break;
        case Placed::swapped:
            if (!holds_file(folder_->fd(), name_, temporary_->own()) || !temporary_->exchange_with(name_)) return false;
            break;
        }
        placed_ = Placed::not_yet;
        return true;
    }

    // Removes the file the new content displaced, once every file is placed.
    void finish() {
        if (placed_ == Placed::swapped) temporary_->remove_displaced(reached_);
        placed_ = Placed::finished;
    }

    std::expected<void, int> flush() const { return folder_ ? folder_->flush() : std::expected<void, int>{}; }

private:
    enum class Kind { new_name, existing_name, through };
    enum class Placed {
        not_yet,
        swapped,   // with the entry's file, which waits under the temporary's name
        for_good,  // cannot be swapped back: a new name is only removed again
        finished,  // every file of the replacement is in place
    };

    StagedFile(Kind kind, std::optional<Folder> folder, std::string name)
        : kind_(kind), folder_(std::move(folder)), name_(std::move(name)) {}

    // What the open reached when it is not a file with a name to rename
    // over: a device, a pipe, a file no name leads to. It is written only
    // when the files are placed, and a secret only where no one else may
    // read it.
    static Step<StagedFile> through(FileDescriptor opened, const struct stat& reached, const FileReplacement& file) {
        if (file.mode == FileMode::owner_only && !takes_secrets(reached))
            return S_ISREG(reached.st_mode) ? name_changed() : failed(EACCES);
        StagedFile staged(Kind::through, std::nullopt, "");
        staged.opened_ = std::move(opened);
        staged.reached_ = reached;
        staged.content_ = &file.content;
        return staged;
    }

    Step<> make_temporary(const FileReplacement& file, mode_t mode, const FileDescriptor* replaced) {
        auto temporary = Temporary::make(*folder_, name_, mode);
        if (!temporary) return std::unexpected(temporary.error());
        temporary_.emplace(*std::move(temporary));
        return fill(*temporary_, file, replaced, replaced ? &reached_ : nullptr);
    }

    // Whether the entry still holds the empty file the open made through a
    // dangling link, and not a file someone else wrote there since.
    bool still_made_by_open() const {
        struct stat now {};
        return holds_file(folder_->fd(), name_, reached_) && ::fstat(opened_.get(), &now) == 0 && now.st_size == 0;
    }

    // Swaps the new content with the entry's file, and checks that this
    // was the file staged against: a name changed in between is swapped
    // back, and the write starts again.
    Step<> swap_in() {
        auto swapped = temporary_->exchange_with(name_);
        if (!swapped && swapped.error().then == NotDone::Then::fail && swapped.error().error_number == EINVAL) {
            // A file system that cannot swap names: renamed over for good.
            if (!holds_file(folder_->fd(), name_, reached_)) return name_changed();
            auto renamed = temporary_->rename_over(name_);
            if (renamed) placed_ = Placed::for_good;
            return renamed;
        }
        if (!swapped) return swapped;
        placed_ = Placed::swapped;
        if (temporary_->holds(reached_)) return {};
        if (!take_back()) return failed(EAGAIN);
        return name_changed();
    }

    Step<> write_through() {
        if (S_ISREG(reached_.st_mode) && ::ftruncate(opened_.get(), 0) != 0) return failed(errno);
        if (auto written = (*content_)(opened_.get()); !written) return failed(written.error());
        if (opened_.close() != 0) return failed(errno);
        return {};
    }

    Kind kind_;
    std::optional<Folder> folder_;  // declared before the temporary, which names files in it
    std::string name_;
    std::optional<Temporary> temporary_;
    FileDescriptor opened_;  // the file the open reached, kept open until the end
    struct stat reached_ {};
    const FileContent* content_ = nullptr;
    bool made_by_open_ = false;
    Placed placed_ = Placed::not_yet;
};

Step<StagedFile> stage(const FileReplacement& file) {
    if (file.path.ends_with('/')) {
        // Names a directory, or nothing that could become a file.
        struct stat status {};
        if (::stat(file.path.c_str(), &status) != 0) return failed(errno);
        return failed(S_ISDIR(status.st_mode) ? EISDIR : ENOTDIR);
    }
    struct stat named {};
    if (::lstat(file.path.c_str(), &named) == 0) return StagedFile::existing_name(file);
    if (errno == ENOENT) return StagedFile::new_name(file);
    return failed(errno);
}

// How one try at a replacement ends: every file in place, or to be tried
// again from the start because a name changed under it, or failed.
enum class Outcome { ok, retry, failed };
struct Try {
    Outcome outcome;
    ReplaceFailure failure{};
};

Try stopped(std::size_t index, const NotDone& why) {
    if (why.then == NotDone::Then::retry) return {Outcome::retry, {index, EAGAIN}};
    return {Outcome::failed, {index, why.error_number}};
}

// One try, all or nothing: every file is staged, and every entry checked to
// still hold what its file was staged against, before the first is placed.
// When a later file cannot be placed the earlier ones are taken back, last
// first; one that cannot be (a device written) ends the replacement, since a
// second try would write it twice.
Try replace_once(std::span<const FileReplacement> files) {
    std::vector<StagedFile> staged;
    staged.reserve(files.size());
    for (std::size_t i = 0; i < files.size(); ++i) {
        auto file = stage(files[i]);
        if (!file) return stopped(i, file.error());
        staged.push_back(*std::move(file));
    }
    for (std::size_t i = 0; i < staged.size(); ++i) {
        if (!staged[i].unchanged()) return stopped(i, name_changed().error());
    }
    for (std::size_t i = 0; i < staged.size(); ++i) {
        if (auto placed = staged[i].place(); !placed) {
            Try result = stopped(i, placed.error());
            for (std::size_t j = i; j-- > 0;) {
                if (!staged[j].take_back() && result.outcome == Outcome::retry) result.outcome = Outcome::failed;
            }
            return result;
        }
    }
    for (auto& file : staged) file.finish();
    for (std::size_t i = 0; i < staged.size(); ++i) {
        if (auto flushed = staged[i].flush(); !flushed) return {Outcome::failed, {i, flushed.error()}};
    }
    return {Outcome::ok};
}

}  // namespace

std::expected<void, ReplaceFailure> replace_files(std::span<const FileReplacement> files) {
    Try last{Outcome::retry};
    for (int attempt = 0; attempt < max_attempts; ++attempt) {
        last = replace_once(files);
        switch (last.outcome) {
        case Outcome::ok: return {};
        case Outcome::failed: return std::unexpected(last.failure);
        case Outcome::retry: break;
        }
    }
    // The names kept changing: EAGAIN, for the file whose name changed last.
    return std::unexpected(last.failure);
}

std::expected<void, int> replace_file(const std::string& path, const FileContent& content, FileMode mode) {
    const FileReplacement file{path, content, mode};
    if (auto replaced = replace_files(std::span(&file, 1)); !replaced)
        return std::unexpected(replaced.error().error_number);
    return {};
}

std::expected<void, int> replace_file(const std::string& path, std::string_view bytes, FileMode mode) {
    return replace_file(
        path, [bytes](int fd) { return write_all(fd, bytes); }, mode);
}

}  // namespace vevizovuvazavad::system
