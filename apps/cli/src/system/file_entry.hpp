#pragma once
// The directory entry through which a file was opened, found from the open
// file itself: the name the kernel's open went through, never a link
// followed again by hand, so that no one who changes names meanwhile can
// make a rename meant for that entry land in another directory.

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
        unnamed,  // no name leads to the file any more
        moved,    // the name it was opened through now holds something else
        failed,   // the directory could not be opened: `error_number`
    };
    Why why;
    int error_number = 0;
};

// The entry of `file`, open with the status `opened`, checked to hold that
// very file now.
std::expected<FileEntry, NoEntry> entry_of(int file, const struct stat& opened);

// Whether the entry `name` in `folder` holds the file of status `file`,
// without following a link there.
bool holds_file(const Folder& folder, const std::string& name, const struct stat& file);

bool same_file(const struct stat& a, const struct stat& b);

// The kernel's link to this process's open file `fd`, /proc/self/fd/N.
std::string proc_link(int fd);

}  // namespace vevizovuvazavad::system
