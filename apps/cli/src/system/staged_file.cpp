#include "system/staged_file.hpp"

#include <fcntl.h>
#include <stdio.h>
#include <unistd.h>

#include <array>
#include <cstdlib>

#include <fmt/format.h>
#include <fmt/ranges.h>

#include "system/file_entry.hpp"

namespace vevizovuvazavad::system {
namespace {

// Leaves space in a 255-byte file name for the temporary's prefix and suffix.
constexpr std::size_t max_name_in_temporary = 200;
// How many fresh names are tried before the directory is taken to be full
// of them.
constexpr int max_temporary_names = 16;

// An unnamed file is given a name through its /proc link, so it needs one.
bool unnamed_files_can_be_named() {
    static const bool available = ::access("/proc/self/fd", X_OK) == 0;
    return available;
}

// A fresh name beside `beside`, once `make` succeeded with it: `make`
// returns 0, or -1 with errno, EEXIST when the name was taken already.
template <class Make>
Step<std::string> fresh_name(std::string_view beside, Operation operation, Make make) {
    for (int attempt = 0; attempt < max_temporary_names; ++attempt) {
        std::string name = temporary_name(beside);
        if (make(name) == 0) return name;
        if (errno != EEXIST) return failed(operation, errno);
    }
    return failed(operation, EEXIST);
}

}  // namespace

// As with new identifiers, the random source was checked at start-up: a
// failure now leaves no sound way on.
std::string temporary_name(std::string_view beside) {
    std::array<unsigned char, 6> noise{};
    if (::getentropy(noise.data(), noise.size()) != 0) std::abort();
    return fmt::format(".{}.{:02x}.tmp", beside.substr(0, max_name_in_temporary), fmt::join(noise, ""));
}

Step<TemporaryName> TemporaryName::link_to(int folder, const std::string& name, const struct stat& file) {
    auto fresh = fresh_name(name, Operation::link, [&](const std::string& candidate) {
        return ::linkat(folder, name.c_str(), folder, candidate.c_str(), 0);
    });
    if (!fresh) return std::unexpected(fresh.error());
    // The link reached whatever the entry held at that moment: the name is
    // given to that file, and removed again when it is another.
    struct stat linked {};
    if (::fstatat(folder, fresh->c_str(), &linked, AT_SYMLINK_NOFOLLOW) != 0) {
        const int error = errno;
        ::unlinkat(folder, fresh->c_str(), 0);  // just made, and this process's
        return failed(Operation::look, error);
    }
    TemporaryName kept(folder, *std::move(fresh), linked);
    if (!same_file(linked, file) && !(holds_file(folder, name, file) && another_name_of(linked, file)))
        return name_changed(Operation::link);
    return kept;
}

bool TemporaryName::holds_its_file() const { return !name_.empty() && holds_file(folder_, name_, file_); }

Step<> TemporaryName::rename_over(const std::string& entry) {
    if (!holds_its_file()) return name_changed(Operation::rename);
    if (::renameat(folder_, name_.c_str(), folder_, entry.c_str()) != 0) return failed(Operation::rename, errno);
    release();
    return {};
}

Step<> TemporaryName::exchange_with(const std::string& entry, const struct stat& file) {
    if (!holds_file(folder_, entry, file)) return name_changed(Operation::exchange);
    if (::renameat2(folder_, name_.c_str(), folder_, entry.c_str(), RENAME_EXCHANGE) != 0)
        return failed(Operation::exchange, errno);
    file_ = file;
    return {};
}

void TemporaryName::remove() {
    if (holds_its_file()) ::unlinkat(folder_, name_.c_str(), 0);
    name_.clear();
}

Step<StagedFile> StagedFile::create(const Folder& folder, std::string_view beside, mode_t mode) {
    if (unnamed_files_can_be_named()) {
        FileDescriptor file(::openat(folder.fd(), ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, mode));
        if (file.valid()) return made(folder, beside, std::move(file), std::nullopt);
        // File systems without unnamed files refuse in one of these ways.
        if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) return failed(Operation::create, errno);
    }
    FileDescriptor file;
    auto name = fresh_name(beside, Operation::create, [&](const std::string& candidate) {
        file = FileDescriptor(::openat(folder.fd(), candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode));
        return file.valid() ? 0 : -1;
    });
    if (!name) return std::unexpected(name.error());
    return made(folder, beside, std::move(file), *std::move(name));
}

Step<StagedFile> StagedFile::made(const Folder& folder, std::string_view beside, FileDescriptor file,
                                  std::optional<std::string> name) {
    struct stat status {};
    if (::fstat(file.get(), &status) != 0) {
        const int error = errno;
        // Made with O_EXCL: the name is this process's, whatever it holds.
        if (name) ::unlinkat(folder.fd(), name->c_str(), 0);
        return failed(Operation::look, error);
    }
    StagedFile staged(folder, beside, std::move(file), status);
    if (name) staged.temporary_.emplace(folder.fd(), *std::move(name), status);
    return staged;
}

Step<struct stat> StagedFile::take_free_name(const std::string& name) {
    if (!temporary_) {
        if (::linkat(AT_FDCWD, proc_link(fd()).c_str(), folder_, name.c_str(), AT_SYMLINK_FOLLOW) != 0)
            return errno == EEXIST ? name_changed(Operation::link) : failed(Operation::link, errno);
        return status_;
    }
    // What is under the temporary name is placed, so it must still be this file.
    if (!temporary_->holds_its_file()) return name_changed(Operation::rename);
    const char* from = temporary_->name().c_str();
    if (::renameat2(folder_, from, folder_, name.c_str(), RENAME_NOREPLACE) == 0) {
        temporary_->release();
        return status_;
    }
    if (errno == EEXIST) return name_changed(Operation::rename);
    if (!flag_refused(errno)) return failed(Operation::rename, errno);
    // A hard link refuses an existing name as the flag does; the temporary
    // name then goes.
    if (::linkat(folder_, from, folder_, name.c_str(), 0) == 0) {
        // Where each name has its own inode number, the new name is known by its own.
        struct stat written {};
        struct stat placed {};
        const bool seen = ::fstat(fd(), &written) == 0 &&
                          ::fstatat(folder_, name.c_str(), &placed, AT_SYMLINK_NOFOLLOW) == 0 &&
                          (same_file(placed, written) || another_name_of(placed, written));
        temporary_.reset();
        return seen ? placed : status_;
    }
    if (errno == EEXIST) return name_changed(Operation::link);
    if (!links_refused(errno)) return failed(Operation::link, errno);
    // Neither: the name is checked to be free just before the rename, which
    // would replace a file made there in between.
    struct stat there {};
    if (::fstatat(folder_, name.c_str(), &there, AT_SYMLINK_NOFOLLOW) == 0) return name_changed(Operation::look);
    if (errno != ENOENT) return failed(Operation::look, errno);
    if (auto renamed = temporary_->rename_over(name); !renamed) return std::unexpected(renamed.error());
    return status_;
}

Step<std::string> StagedFile::exchange_with(const std::string& name) {
    if (auto named = take_temporary_name(); !named) return std::unexpected(named.error());
    if (::renameat2(folder_, temporary_->name().c_str(), folder_, name.c_str(), RENAME_EXCHANGE) != 0)
        return errno == ENOENT ? name_changed(Operation::exchange) : failed(Operation::exchange, errno);
    // The temporary name now holds the file that was in the entry.
    std::string displaced = temporary_->release();
    temporary_.reset();
    return displaced;
}

Step<> StagedFile::rename_over(const std::string& name) {
    if (auto named = take_temporary_name(); !named) return named;
    return temporary_->rename_over(name);
}

Step<> StagedFile::take_temporary_name() {
    if (temporary_) return {};
    auto name = fresh_name(beside_, Operation::link, [&](const std::string& candidate) {
        return ::linkat(AT_FDCWD, proc_link(fd()).c_str(), folder_, candidate.c_str(), AT_SYMLINK_FOLLOW);
    });
    if (!name) return std::unexpected(name.error());
    temporary_.emplace(folder_, *std::move(name), status_);
    return {};
}

}  // namespace vevizovuvazavad::system
