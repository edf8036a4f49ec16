#pragma once
// An open file descriptor, closed when dropped.

#include <unistd.h>

#include <utility>

namespace vevizovuvazavad::system {

class FileDescriptor {
public:
    FileDescriptor() = default;
    explicit FileDescriptor(int fd) : fd_(fd) {}
    FileDescriptor(FileDescriptor&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
    FileDescriptor& operator=(FileDescriptor&& other) noexcept {
        if (this != &other) {
            reset();
            fd_ = std::exchange(other.fd_, -1);
        }
        return *this;
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    ~FileDescriptor() { reset(); }

    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }
    // Closes now, so that a failing close is seen: 0, or -1 with errno set.
    // An empty one has nothing to close: 0.
    int close() { return valid() ? ::close(std::exchange(fd_, -1)) : 0; }

private:
    void reset() {
        if (fd_ >= 0) ::close(std::exchange(fd_, -1));
    }

    int fd_ = -1;
};

}  // namespace vevizovuvazavad::system
