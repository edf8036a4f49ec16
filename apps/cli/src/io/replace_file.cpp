#include "io/replace_file.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <system_error>
#include <utility>

namespace vevizovuvazavad::io {
namespace {

// As many links as the kernel follows in one path before it gives up.
constexpr int max_links = 40;
// Leaves room in a 255-byte file name for the temporary's prefix and suffix.
constexpr std::size_t max_name_in_temporary = 200;

class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    ~FileDescriptor() {
        if (fd_ >= 0) ::close(fd_);
    }
    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }
    // Closes now, so that a failing close is seen.
    int close() { return ::close(std::exchange(fd_, -1)); }

private:
    int fd_;
};

struct Location {
    std::string folder;
    std::string name;
};

Location split(const std::string& path) {
    const auto slash = path.rfind('/');
    if (slash == std::string::npos) return {".", path};
    return {slash == 0 ? "/" : path.substr(0, slash), path.substr(slash + 1)};
}

// The path with every symbolic link in its last component followed: the file
// that a write through `path` reaches, which may not exist yet.
std::expected<std::string, int> follow_links(std::string path) {
    for (int followed = 0; followed <= max_links; ++followed) {
        struct stat status {};
        if (::lstat(path.c_str(), &status) != 0) {
            if (errno == ENOENT) return path;
            return std::unexpected(errno);
        }
        if (!S_ISLNK(status.st_mode)) return path;
        std::string target(static_cast<std::size_t>(status.st_size) + 1, '\0');
        const ssize_t length = ::readlink(path.c_str(), target.data(), target.size());
        if (length < 0) return std::unexpected(errno);
        if (static_cast<std::size_t>(length) == target.size()) continue;  // changed meanwhile: look again
        target.resize(static_cast<std::size_t>(length));
        path = target.starts_with('/') ? std::move(target) : split(path).folder + "/" + target;
    }
    return std::unexpected(ELOOP);
}

// The regular file, existing or not, that a write through `path` replaces,
// as an absolute path without links in its folder; none for anything else.
std::optional<std::filesystem::path> replaced_file(const std::string& path) {
    if (path.ends_with('/')) return std::nullopt;
    const auto target = follow_links(path);
    if (!target) return std::nullopt;
    struct stat status {};
    if (::lstat(target->c_str(), &status) == 0 && !S_ISREG(status.st_mode)) return std::nullopt;
    const auto [folder, name] = split(*target);
    std::error_code error;
    const auto canonical_folder = std::filesystem::weakly_canonical(folder, error);
    if (error) return std::nullopt;
    return canonical_folder / name;
}

std::expected<void, int> write_all(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR) continue;
            return std::unexpected(errno);
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return {};
}

std::string temporary_name(std::string_view name) {
    std::array<unsigned char, 6> noise{};
    if (::getentropy(noise.data(), noise.size()) != 0) {
        const auto pid = static_cast<std::uint32_t>(::getpid());
        for (std::size_t i = 0; i < noise.size(); ++i) noise[i] = static_cast<unsigned char>(pid >> (8 * (i % 4)));
    }
    char suffix[32];
    std::snprintf(suffix, sizeof suffix, ".%02x%02x%02x%02x%02x%02x.tmp", noise[0], noise[1], noise[2], noise[3],
                  noise[4], noise[5]);
    std::string out = ".";
    out.append(name.substr(0, max_name_in_temporary)).append(suffix);
    return out;
}

mode_t creation_mask() {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return mask;
}

// A device or a pipe: opened as it stands and written through.
std::expected<void, int> write_in_place(const std::string& path, std::string_view bytes) {
    FileDescriptor file(::open(path.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC));
    if (!file.valid()) return std::unexpected(errno);
    if (auto written = write_all(file.get(), bytes); !written) return written;
    if (file.close() != 0) return std::unexpected(errno);
    return {};
}

// The temporary's content, permissions and owner, flushed and closed.
std::expected<void, int> fill_temporary(FileDescriptor& file, std::string_view bytes, mode_t mode,
                                        const struct stat* existing) {
    if (auto written = write_all(file.get(), bytes); !written) return written;
    if (existing) {
        // Only root or a member of the group may give the file away; where
        // that is refused the file belongs to whoever replaced it.
        if (::fchown(file.get(), existing->st_uid, existing->st_gid) != 0 && errno != EPERM)
            return std::unexpected(errno);
    }
    if (::fchmod(file.get(), mode) != 0) return std::unexpected(errno);
    if (::fsync(file.get()) != 0) return std::unexpected(errno);
    if (file.close() != 0) return std::unexpected(errno);
    return {};
}

}  // namespace

std::expected<void, int> replace_file(const std::string& path, std::string_view bytes, FileMode mode) {
    if (path.ends_with('/')) {
        // Names a folder, or nothing that could become a file.
        struct stat status {};
        if (::stat(path.c_str(), &status) != 0) return std::unexpected(errno);
        return std::unexpected(S_ISDIR(status.st_mode) ? EISDIR : ENOTDIR);
    }
    // Asked of the path itself: links such as /dev/stdout lead through
    // /proc to a pipe or terminal that has no name of its own to follow.
    struct stat reached {};
    if (::stat(path.c_str(), &reached) == 0 && !S_ISREG(reached.st_mode) && !S_ISDIR(reached.st_mode))
        return write_in_place(path, bytes);
    auto target = follow_links(path);
    if (!target) return std::unexpected(target.error());
    const auto [folder_path, name] = split(*target);

    FileDescriptor folder(::open(folder_path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!folder.valid()) return std::unexpected(errno);

    struct stat existing {};
    const bool exists = ::fstatat(folder.get(), name.c_str(), &existing, AT_SYMLINK_NOFOLLOW) == 0;
    if (!exists && errno != ENOENT) return std::unexpected(errno);
    if (exists && S_ISDIR(existing.st_mode)) return std::unexpected(EISDIR);
    if (exists && !S_ISREG(existing.st_mode) && !S_ISLNK(existing.st_mode)) return write_in_place(*target, bytes);

    mode_t final_mode = 0600;
    if (mode == FileMode::record) final_mode = exists ? (existing.st_mode & 07777) : (0666 & ~creation_mask());

    std::string temporary;
    int fd = -1;
    for (int attempt = 0; attempt < 16 && fd < 0; ++attempt) {
        temporary = temporary_name(name);
        fd = ::openat(folder.get(), temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd < 0 && errno != EEXIST) return std::unexpected(errno);
    }
    if (fd < 0) return std::unexpected(EEXIST);
    FileDescriptor file(fd);

    auto filled = fill_temporary(file, bytes, final_mode, exists ? &existing : nullptr);
    if (filled && ::renameat(folder.get(), temporary.c_str(), folder.get(), name.c_str()) != 0)
        filled = std::unexpected(errno);
    if (!filled) {
        const int error = filled.error();
        ::unlinkat(folder.get(), temporary.c_str(), 0);
        return std::unexpected(error);
    }
    // Some file systems cannot flush a folder; they report EINVAL.
    if (::fsync(folder.get()) != 0 && errno != EINVAL) return std::unexpected(errno);
    return {};
}

bool replace_the_same_file(const std::string& first, const std::string& second) {
    const auto first_file = replaced_file(first);
    const auto second_file = replaced_file(second);
    return first_file && second_file && *first_file == *second_file;
}

}  // namespace vevizovuvazavad::io
