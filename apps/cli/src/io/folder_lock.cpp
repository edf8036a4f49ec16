#include "io/folder_lock.hpp"

#include <fcntl.h>
#include <sys/file.h>

#include <cerrno>

#include "io/write_place.hpp"

namespace vevizovuvazavad::io {

FolderLock::FolderLock(const std::string& path) {
    const auto place = follow_links(path);
    if (!place) return;
    folder_ = FileDescriptor(::open(place->folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!folder_.valid()) return;
    while (::flock(folder_.get(), LOCK_EX) != 0 && errno == EINTR) {
    }
}

}  // namespace vevizovuvazavad::io
