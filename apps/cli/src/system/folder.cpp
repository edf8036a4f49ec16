#include "system/folder.hpp"

#include <fcntl.h>
#include <linux/openat2.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>

namespace vevizovuvazavad::system {
namespace {

int open_without_links_as(const std::string& path, int flags) {
    struct open_how how {};
    how.flags = static_cast<unsigned>(flags) | O_DIRECTORY | O_CLOEXEC;
    how.resolve = RESOLVE_NO_SYMLINKS | RESOLVE_NO_MAGICLINKS;
    return static_cast<int>(::syscall(SYS_openat2, AT_FDCWD, path.c_str(), &how, sizeof how));
}

struct Opened {
    FileDescriptor fd;
    bool readable;
};

// Opened for reading where the user may, else only for naming files in.
template <class OpenAs>
std::expected<Opened, int> open_readable_if_allowed(OpenAs open_as) {
    if (const int fd = open_as(O_RDONLY); fd >= 0) return Opened{FileDescriptor(fd), true};
    if (errno != EACCES) return std::unexpected(errno);
    if (const int fd = open_as(O_PATH); fd >= 0) return Opened{FileDescriptor(fd), false};
    return std::unexpected(errno);
}

}  // namespace

std::expected<Folder, int> Folder::open(const std::string& path) {
    // Through "/." so that a link in the last component is walked through as
    // the kernel walks any other, not refused as a final link.
    const std::string through = path + "/.";
    auto opened =
        open_readable_if_allowed([&](int flags) { return ::open(through.c_str(), flags | O_DIRECTORY | O_CLOEXEC); });
    if (!opened) return std::unexpected(opened.error());
    return Folder(std::move(opened->fd), opened->readable);
}

std::expected<Folder, int> Folder::open_without_links(const std::string& path) {
    auto opened = open_readable_if_allowed([&](int flags) { return open_without_links_as(path, flags); });
    if (!opened) return std::unexpected(opened.error());
    return Folder(std::move(opened->fd), opened->readable);
}

std::expected<void, int> Folder::flush() const {
    // Some file systems cannot flush a directory; they report EINVAL.
    if (readable_ && ::fsync(fd_.get()) != 0 && errno != EINVAL) return std::unexpected(errno);
    return {};
}

PathParts split_path(const std::string& path) {
    const auto slash = path.rfind('/');
    if (slash == std::string::npos) return {".", path};
    return {slash == 0 ? "/" : path.substr(0, slash), path.substr(slash + 1)};
}

}  // namespace vevizovuvazavad::system
