#include "io/replace_file.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdint>
#include <cstdio>

#include "io/file_descriptor.hpp"
#include "io/write_all.hpp"
#include "io/write_place.hpp"

namespace vevizovuvazavad::io {
namespace {

// Leaves room in a 255-byte file name for the temporary's prefix and suffix.
constexpr std::size_t max_name_in_temporary = 200;

struct OpenedOutput {
    FileDescriptor file;
    // The open made the file: a failure must not leave it behind.
    bool created;
};

// The open of a create-or-truncate write, less the truncation. O_EXCL first
// tells a file this open makes from one that was there; an existing name
// is then opened as such a write opens it, links followed by the kernel.
std::expected<OpenedOutput, int> open_output(const std::string& path, mode_t creation_mode) {
    constexpr int flags = O_WRONLY | O_CREAT | O_CLOEXEC | O_NOCTTY;
    if (const int fd = ::open(path.c_str(), flags | O_EXCL, creation_mode); fd >= 0)
        return OpenedOutput{FileDescriptor(fd), true};
    if (errno != EEXIST) return std::unexpected(errno);
    // A link that leads nowhere yet: the open creates the file it names.
    struct stat reached {};
    const bool dangling = ::stat(path.c_str(), &reached) != 0 && errno == ENOENT;
    const int fd = ::open(path.c_str(), flags, creation_mode);
    if (fd < 0) return std::unexpected(errno);
    return OpenedOutput{FileDescriptor(fd), dangling};
}

bool same_file(const struct stat& a, const struct stat& b) { return a.st_dev == b.st_dev && a.st_ino == b.st_ino; }

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

// The open file itself truncated and written: all there is for what has no
// name to rename over.
std::expected<void, int> write_through(FileDescriptor& file, const struct stat& status, std::string_view bytes) {
    if (S_ISREG(status.st_mode) && ::ftruncate(file.get(), 0) != 0) return std::unexpected(errno);
    if (auto written = write_all(file.get(), bytes); !written) return written;
    if (file.close() != 0) return std::unexpected(errno);
    return {};
}

// The temporary's content, permissions and owner, flushed and closed.
std::expected<void, int> fill_temporary(FileDescriptor& file, std::string_view bytes, FileMode mode,
                                        const struct stat& replaced, bool created) {
    if (auto written = write_all(file.get(), bytes); !written) return written;
    if (mode == FileMode::record && !created) {
        // Only root or a member of the group may give the file away; where
        // that is refused the record belongs to whoever replaced it.
        if (::fchown(file.get(), replaced.st_uid, replaced.st_gid) != 0 && errno != EPERM)
            return std::unexpected(errno);
    }
    // A file the open made already has the mode a new file gets.
    const mode_t final_mode = mode == FileMode::owner_only ? 0600 : replaced.st_mode & 07777;
    if (::fchmod(file.get(), final_mode) != 0) return std::unexpected(errno);
    if (::fsync(file.get()) != 0) return std::unexpected(errno);
    if (file.close() != 0) return std::unexpected(errno);
    return {};
}

// Writes a temporary beside `name` in `folder` and renames it over `name`.
std::expected<void, int> rename_over(const FileDescriptor& folder, const std::string& name, std::string_view bytes,
                                     FileMode mode, const struct stat& replaced, bool created) {
    std::string temporary;
    int fd = -1;
    for (int attempt = 0; attempt < 16 && fd < 0; ++attempt) {
        temporary = temporary_name(name);
        fd = ::openat(folder.get(), temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd < 0 && errno != EEXIST) return std::unexpected(errno);
    }
    if (fd < 0) return std::unexpected(EEXIST);
    FileDescriptor file(fd);
    auto filled = fill_temporary(file, bytes, mode, replaced, created);
    if (filled && ::renameat(folder.get(), temporary.c_str(), folder.get(), name.c_str()) != 0)
        filled = std::unexpected(errno);
    if (!filled) ::unlinkat(folder.get(), temporary.c_str(), 0);
    return filled;
}

// A file the open had to make is removed again if the write fails, so that
// a failed write leaves nothing behind.
class MadeByOpen {
public:
    MadeByOpen(bool made, const NameInFolder& place) : made_(made), place_(place) {}
    MadeByOpen(const MadeByOpen&) = delete;
    MadeByOpen& operator=(const MadeByOpen&) = delete;
    ~MadeByOpen() {
        if (made_) ::unlink((place_.folder + "/" + place_.name).c_str());
    }
    void keep() { made_ = false; }

private:
    bool made_;
    const NameInFolder& place_;
};

}  // namespace

std::expected<void, int> replace_file(const std::string& path, std::string_view bytes, FileMode mode) {
    if (path.ends_with('/')) {
        // Names a folder, or nothing that could become a file.
        struct stat status {};
        if (::stat(path.c_str(), &status) != 0) return std::unexpected(errno);
        return std::unexpected(S_ISDIR(status.st_mode) ? EISDIR : ENOTDIR);
    }
    auto opened = open_output(path, mode == FileMode::owner_only ? 0600 : 0666);
    if (!opened) return std::unexpected(opened.error());
    struct stat reached {};
    if (::fstat(opened->file.get(), &reached) != 0) return std::unexpected(errno);
    if (!S_ISREG(reached.st_mode)) return write_through(opened->file, reached, bytes);

    // The name to rename over is the one that leads to the file just opened.
    // Where none does (the file was moved or deleted meanwhile, or is reached
    // only through /proc), the open file is all there is to write.
    const auto place = follow_links(path);
    if (!place) return write_through(opened->file, reached, bytes);
    MadeByOpen made(opened->created, *place);
    FileDescriptor folder(::open(place->folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!folder.valid()) return std::unexpected(errno);
    struct stat named {};
    if (::fstatat(folder.get(), place->name.c_str(), &named, AT_SYMLINK_NOFOLLOW) != 0 || !same_file(named, reached)) {
        made.keep();
        return write_through(opened->file, reached, bytes);
    }
    if (auto replaced = rename_over(folder, place->name, bytes, mode, reached, opened->created); !replaced)
        return replaced;
    made.keep();
    // Some file systems cannot flush a folder; they report EINVAL.
    if (::fsync(folder.get()) != 0 && errno != EINVAL) return std::unexpected(errno);
    return {};
}

}  // namespace vevizovuvazavad::io
