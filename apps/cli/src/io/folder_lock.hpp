#pragma once
// An exclusive advisory lock on the folder of a file, held while the object
// lives, so that concurrent read-modify-write cycles of one file follow each
// other instead of losing each other's changes. The folder is locked, not
// the file: the file is replaced by rename, and a lock on the file replaced
// would not hold the next process back. No lock file is left behind.

#include <expected>
#include <string>

#include "io/file_descriptor.hpp"

namespace vevizovuvazavad::io {

class FolderLock {
public:
    // Waits for the lock on the folder in which a write to `path` lands
    // (write_place.hpp). Anyone who may read the folder may hold its lock, so
    // the wait is bounded: a lock still held after `wait_seconds` is the
    // error EWOULDBLOCK. A folder that cannot be opened is not locked: the
    // write there fails anyway, with its own error.
    static std::expected<FolderLock, int> acquire(const std::string& path, unsigned wait_seconds);

private:
    explicit FolderLock(FileDescriptor folder) : folder_(std::move(folder)) {}
    FileDescriptor folder_;
};

}  // namespace vevizovuvazavad::io
