#pragma once
// Where a write through a path lands: the directory, and the name in it,
// that a file replaced by rename takes once every symbolic link of the
// path's last component is followed. Two spellings of one entry (./x,
// a/../x, a link to it, its directory reached through a link or a bind
// mount) are one entry.

#include <sys/types.h>

#include <expected>
#include <optional>
#include <string>
#include <utility>

#include "system/folder.hpp"

namespace vevizovuvazavad::system {

// The folder and name that `path` leads to once every link in its last
// component is followed, as the kernel follows them; the name need not
// exist. The error number is that of the first step that failed (ELOOP for
// too many links).
std::expected<PathParts, int> follow_links(const std::string& path);

// The file a reader of a path opens, looked at once however many entries it
// is checked against.
class FileAtPath {
public:
    // None when nothing can be looked at there.
    static std::optional<FileAtPath> of(std::string path);

private:
    friend class WriteEntry;
    FileAtPath(std::string path, dev_t device, ino_t inode, nlink_t links)
        : path_(std::move(path)), device_(device), inode_(inode), links_(links) {}

    std::string path_;
    dev_t device_;
    ino_t inode_;
    nlink_t links_;
};

// A directory entry as the file system knows it: the directory's device and
// inode, and the name.
class WriteEntry {
public:
    // None for a path that cannot be resolved or ends in '/', or that leads
    // to something other than a regular file (a device or a pipe, written
    // through rather than replaced; a folder).
    static std::optional<WriteEntry> of(const std::string& path);

    bool operator==(const WriteEntry& other) const {
        return folder_device_ == other.folder_device_ && folder_inode_ == other.folder_inode_ && name_ == other.name_;
    }

    // Whether the file a reader of `path` opens is the one in this entry,
    // which a write here would replace. A second name for the same content
    // (a hard link) is another entry: the rename leaves it as it was.
    bool holds_file_at(const std::string& path) const;
    // The same for a file already looked at.
    bool holds(const FileAtPath& file) const;
    // Whether the entry holds a file now: only then can it hold that one.
    bool has_file() const { return file_.has_value(); }

private:
    WriteEntry(dev_t folder_device, ino_t folder_inode, std::string name, std::optional<std::pair<dev_t, ino_t>> file)
        : folder_device_(folder_device), folder_inode_(folder_inode), name_(std::move(name)), file_(file) {}

    dev_t folder_device_;
    ino_t folder_inode_;
    std::string name_;
    // The device and inode of the file the entry holds now, if any.
    std::optional<std::pair<dev_t, ino_t>> file_;
};

}  // namespace vevizovuvazavad::system
