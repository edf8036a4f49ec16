#pragma once
// The directory entry through which a file was opened by way of symbolic
// links. Where /proc can tell it, the kernel's own name for the open file
// decides; otherwise the links are followed by hand, but only an entry that
// holds the very file the open reached is taken. Either way no one who
// changes names meanwhile can make a rename meant for that entry land in
// another directory.

#include <sys/stat.h>

#include <expected>
#include <string>

#include "system/folder.hpp"

namespace vevizovuvazavad::system {

struct FileEntry {
    Folder folder;
    std::string name;
};

struct NoEntry {
    enum class Why {
        moved,   // the name it was opened through now holds something else
        failed,  // the directory could not be opened: `error_number`
    };
    Why why;
    int error_number = 0;
};

// The entry of `file`, a file with a name (st_nlink > 0) open with the
// status `opened` through the links of `path`, checked to hold that very
// file now and to be where those links still lead.
std::expected<FileEntry, NoEntry> entry_of(int file, const struct stat& opened, const std::string& path);

// Whether the entry `name` in `folder` holds the file of status `file`,
// without following a link there.
bool holds_file(int folder, const std::string& name, const struct stat& file);

bool same_file(const struct stat& a, const struct stat& b);

// Whether `linked`, a second name just made for the file of status `file`,
// shows that file where the file system gives each name an inode number of
// its own (FUSE without stable ones, such as sshfs): same device, size and
// modification time, and more than one link. Only a check of a name this
// process just made, while the first still holds the file, may rely on it.
bool another_name_of(const struct stat& linked, const struct stat& file);

// The kernel's link to this process's open file `fd`, /proc/self/fd/N.
std::string proc_link(int fd);

}  // namespace vevizovuvazavad::system
