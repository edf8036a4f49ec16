#pragma once
// An exclusive advisory lock on the directory of a file, held while the
// object lives, so that concurrent read-modify-write cycles of one file
// follow each other instead of losing each other's changes. The directory is
// locked, not the file: the file is replaced by rename, and a lock on the
// file replaced would not hold the next process back. No lock file is left
// behind.

#include <chrono>
#include <expected>
#include <optional>
#include <string>

#include "system/folder.hpp"

namespace vevizovuvazavad::system {

class FolderLock {
public:
    // Waits for the lock on the directory in which a write to `path` lands,
    // the one the path's links lead to, so that every spelling of one file
    // takes one lock. Anyone who may read the directory may hold its lock,
    // so the wait is bounded by the clock: a lock still held after `wait` is
    // the error EWOULDBLOCK. A directory the user may write but not read
    // cannot be locked (EACCES). One that cannot be opened at all is not
    // locked: the write there fails anyway, with its own error.
    static std::expected<FolderLock, int> acquire(const std::string& path, std::chrono::milliseconds wait);

private:
    explicit FolderLock(std::optional<Folder> folder) : folder_(std::move(folder)) {}
    std::optional<Folder> folder_;
};

}  // namespace vevizovuvazavad::system
