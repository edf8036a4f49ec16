#pragma once
// Where a write through a path lands. The output is first opened the way a
// plain create-or-truncate write opens it, without truncating, so that the
// kernel follows the links and applies every check of its own (permissions,
// and the protection of links and files in sticky directories): the tool
// writes exactly where such a write may. A name not there yet, typed or at
// the end of a link, is never created by that open: the new content takes
// it whole, or nothing is there.

#include <sys/stat.h>

#include <string>
#include <variant>

#include "system/file_descriptor.hpp"
#include "system/folder.hpp"
#include "system/write_step.hpp"

namespace vevizovuvazavad::system {

enum class FileMode {
    // A record file: it keeps the permission bits, the access control list
    // and, where the process may give it away, the owner and group of the
    // file it replaces; a new one gets 0666 less the file-creation mask.
    record,
    // A secret: 0600 from the moment it exists whatever the file-creation
    // mask, owned by whoever writes it, whatever the file it replaces.
    owner_only,
};

// An entry that holds no file yet.
struct NewName {
    Folder folder;
    std::string name;
    // The path whose links, followed by hand, led here; empty for a name typed.
    std::string through_links;
};

// A file with a name, in the very entry the open came through.
struct ExistingName {
    Folder folder;
    std::string name;
    // Kept open, so that no other file can take its inode number, which the
    // entry is checked against, meanwhile.
    FileDescriptor opened;
    struct stat status;
};

// What has no entry to rename over: a device, a pipe, a file that no name
// leads to any more. It is written through the open file.
struct OpenFile {
    FileDescriptor opened;
    struct stat status;
};

using Destination = std::variant<NewName, ExistingName, OpenFile>;

// Where a write of `mode` to `path` lands. A secret goes through a device or
// pipe only where no one else may read it (or into the null device).
Step<Destination> destination_of(const std::string& path, FileMode mode);

}  // namespace vevizovuvazavad::system
