#pragma once
// A file's new content, staged in the directory whose entry it is to take,
// and the names this process gives to files there for a while.
//
// The staged file is created, filled and flushed, then either takes an entry
// (a free one, or one swapped or renamed over) or is discarded. Where the
// file system allows, it has no name until it takes its entry, so a process
// killed meanwhile leaves nothing; otherwise it has a temporary name, which
// a kill can leave behind. A temporary name is removed only while it still
// holds the file it was given to: a file someone else moved there is theirs.

#include <sys/stat.h>

#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "system/file_descriptor.hpp"
#include "system/folder.hpp"
#include "system/write_step.hpp"

namespace vevizovuvazavad::system {

// A name beside `beside` that no one else chose: ".{beside}.{12 hex}.tmp".
std::string temporary_name(std::string_view beside);

// A name in a directory that this process gave to a known file.
class TemporaryName {
public:
    // A fresh name for the file at entry `name` of `folder`, which must be
    // `file`: a hard link. The write starts again when the entry holds
    // another file by then. The name is known by its own status, which is
    // the file's but where each name has its own inode number.
    static Step<TemporaryName> link_to(int folder, const std::string& name, const struct stat& file);

    TemporaryName(int folder, std::string name, const struct stat& file)
        : folder_(folder), name_(std::move(name)), file_(file) {}
    TemporaryName(TemporaryName&& other) noexcept
        : folder_(other.folder_), name_(std::exchange(other.name_, {})), file_(other.file_) {}
    TemporaryName& operator=(TemporaryName&&) = delete;
    ~TemporaryName() { remove(); }

    const std::string& name() const { return name_; }
    // Whether the name still holds the file it was given to.
    bool holds_its_file() const;
    // Renames the file over the entry `entry`, which then holds it; the name
    // is gone. A name that no longer holds its file is left alone.
    Step<> rename_over(const std::string& entry);
    // Swaps the file with the one in the entry `entry`, which must be
    // `file`: the name then holds `file`.
    Step<> exchange_with(const std::string& entry, const struct stat& file);
    // Removes the name if it still holds its file; either way it is no
    // longer this process's.
    void remove();
    // The name is no longer this process's to remove: it took an entry, or
    // now holds another file. Returns it.
    std::string release() noexcept { return std::exchange(name_, {}); }

private:
    int folder_;  // owned by whoever owns this, which outlives it
    std::string name_;
    struct stat file_;
};

class StagedFile {
public:
    // An empty file in `folder`, which must stay open while this lives, with
    // the permission bits `mode`; `beside` is the name it is meant for.
    static Step<StagedFile> create(const Folder& folder, std::string_view beside, mode_t mode);
    StagedFile(StagedFile&&) noexcept = default;
    StagedFile& operator=(StagedFile&&) = delete;

    int fd() const { return file_.get(); }
    // The file's own status, which entries are checked against.
    const struct stat& status() const { return status_; }

    // Gives the file the entry `name`, which must be free: a file someone put
    // there meanwhile is never replaced, the write starts again instead. The
    // status of the file as that entry shows it: the file's own, but where
    // each name has its own inode number (FUSE without stable ones).
    Step<struct stat> take_free_name(const std::string& name);
    // Swaps the file with the one in the entry `name`. That one then waits
    // under the staged file's temporary name, returned; swapping the two
    // names again takes it back. Fails where the file system cannot swap
    // names (flag_refused).
    Step<std::string> exchange_with(const std::string& name);
    // Renames the file over the entry `name`, whatever it holds.
    Step<> rename_over(const std::string& name);

    // Removes the file's temporary name, if it still has one.
    void discard() { temporary_.reset(); }

private:
    StagedFile(const Folder& folder, std::string_view beside, FileDescriptor file, const struct stat& status)
        : folder_(folder.fd()), beside_(beside), file_(std::move(file)), status_(status) {}

    static Step<StagedFile> made(const Folder& folder, std::string_view beside, FileDescriptor file,
                                 std::optional<std::string> name);
    // A swap or a rename needs a name to move: from here on a process killed
    // leaves the file behind.
    Step<> take_temporary_name();

    int folder_;
    std::string beside_;
    FileDescriptor file_;
    struct stat status_;
    std::optional<TemporaryName> temporary_;  // none while unnamed, and once it took its entry
};

}  // namespace vevizovuvazavad::system
