#pragma once
// An exclusive advisory lock on the folder of a file, held while the object
// lives, so that concurrent read-modify-write cycles of one file follow each
// other instead of losing each other's changes. The folder is locked, not
// the file: the file is replaced by rename, and a lock on the file replaced
// would not hold the next process back. No lock file is left behind.

#include <string>

#include "io/file_descriptor.hpp"

namespace vevizovuvazavad::io {

class FolderLock {
public:
    // Waits for the lock on the folder in which a write to `path` lands
    // (write_place.hpp). A folder that cannot be opened is not locked: the
    // write there fails anyway, with its own error.
    explicit FolderLock(const std::string& path);

private:
    FileDescriptor folder_;
};

}  // namespace vevizovuvazavad::io
