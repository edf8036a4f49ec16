#include "system/write_entry.hpp"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>

namespace vevizovuvazavad::system {
namespace {

// As many links as the kernel follows in one path before it gives up.
constexpr int max_links = 40;

// What the link at `path` holds. Its reported size is only a first guess:
// the links of /proc report 64 bytes whatever they hold.
std::expected<std::string, int> link_target(const std::string& path, std::size_t reported_size) {
    for (std::size_t size = std::max<std::size_t>(reported_size, 64) + 1;; size *= 2) {
        std::string target(size, '\0');
        const ssize_t length = ::readlink(path.c_str(), target.data(), target.size());
        if (length < 0) return std::unexpected(errno);
        if (static_cast<std::size_t>(length) < target.size()) {
            target.resize(static_cast<std::size_t>(length));
            return target;
        }
        if (size > PATH_MAX) return std::unexpected(ENAMETOOLONG);
    }
}

}  // namespace

std::expected<PathParts, int> follow_links(const std::string& start) {
    std::string path = start;
    for (int followed = 0; followed <= max_links; ++followed) {
        struct stat status {};
        if (::lstat(path.c_str(), &status) != 0) {
            if (errno == ENOENT) return split_path(path);
            return std::unexpected(errno);
        }
        if (!S_ISLNK(status.st_mode)) return split_path(path);
        auto target = link_target(path, static_cast<std::size_t>(status.st_size));
        if (!target) return std::unexpected(target.error());
        path = target->starts_with('/') ? std::move(*target) : split_path(path).folder + "/" + *target;
    }
    return std::unexpected(ELOOP);
}

std::optional<WriteEntry> WriteEntry::of(const std::string& path) {
    if (path.ends_with('/')) return std::nullopt;
    auto landing = follow_links(path);
    if (!landing) return std::nullopt;
    struct stat folder {};
    if (::stat((landing->folder + "/.").c_str(), &folder) != 0) return std::nullopt;
    std::optional<std::pair<dev_t, ino_t>> file;
    struct stat status {};
    const std::string full = landing->folder + "/" + landing->name;
    if (::lstat(full.c_str(), &status) == 0) {
        if (!S_ISREG(status.st_mode)) return std::nullopt;
        file.emplace(status.st_dev, status.st_ino);
    }
    return WriteEntry(folder.st_dev, folder.st_ino, std::move(landing->name), file);
}

std::optional<FileAtPath> FileAtPath::of(std::string path) {
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0) return std::nullopt;
    return FileAtPath(std::move(path), status.st_dev, status.st_ino, status.st_nlink);
}

bool WriteEntry::holds_file_at(const std::string& path) const {
    if (!file_) return false;
    const auto file = FileAtPath::of(path);
    return file && holds(*file);
}

bool WriteEntry::holds(const FileAtPath& file) const {
    // Most paths are told apart by their file alone, without resolving them.
    if (!file_ || std::pair(file.device_, file.inode_) != *file_) return false;
    // A file of one name is in one entry, however the path spells it (even
    // on a file system that ignores case); a second name is another entry.
    if (file.links_ == 1) return true;
    const auto entry = of(file.path_);
    return entry && *entry == *this;
}

}  // namespace vevizovuvazavad::system
