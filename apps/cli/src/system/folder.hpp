#pragma once
// A directory opened to create, rename and flush files in.

#include <expected>
#include <string>

#include "system/file_descriptor.hpp"

namespace vevizovuvazavad::system {

class Folder {
public:
    // The directory at `path`, resolved as the kernel resolves any path
    // (links in it are followed). One the user may write but not read is
    // opened only to name files in; it cannot be flushed.
    static std::expected<Folder, int> open(const std::string& path);
    // The directory at the absolute `path`, refused with ELOOP where any
    // component is a symbolic link: what it names cannot be redirected.
    static std::expected<Folder, int> open_without_links(const std::string& path);

    int fd() const { return fd_.get(); }
    // Whether it is open for reading, which an advisory lock and a flush need.
    bool readable() const { return readable_; }
    // Flushes the directory's entries to stable storage.
    std::expected<void, int> flush() const;

private:
    Folder(FileDescriptor fd, bool readable) : fd_(std::move(fd)), readable_(readable) {}
    FileDescriptor fd_;
    bool readable_;
};

// The directory and the last component of `path` as typed ("." for a bare name).
struct PathParts {
    std::string folder;
    std::string name;
};
PathParts split_path(const std::string& path);

}  // namespace vevizovuvazavad::system
