#include "system/file_attributes.hpp"

#include <sys/xattr.h>
#include <unistd.h>

#include <cerrno>
#include <optional>
#include <string>

namespace vevizovuvazavad::system {
namespace {

constexpr const char* access_acl = "system.posix_acl_access";

// Whether an error of an extended attribute only says that there is none:
// the file has no such list, or its file system keeps none.
bool no_attribute(int error_number) { return error_number == ENODATA || error_number == ENOTSUP; }

// An access control list as stored, or none: then the mode bits alone decide.
using AccessAcl = std::optional<std::string>;

Step<AccessAcl> access_acl_of(int from) {
    std::string acl;
    for (;;) {
        ssize_t size = ::fgetxattr(from, access_acl, nullptr, 0);
        if (size >= 0) {
            acl.resize(static_cast<std::size_t>(size));
            size = ::fgetxattr(from, access_acl, acl.data(), acl.size());
        }
        if (size >= 0) {
            acl.resize(static_cast<std::size_t>(size));
            return acl;
        }
        if (no_attribute(errno)) return AccessAcl{};
        // ERANGE: the list grew between the two reads.
        if (errno != ERANGE) return failed(Operation::acl, errno);
    }
}

Step<> set_access_acl(int to, const AccessAcl& acl) {
    if (acl) {
        if (::fsetxattr(to, access_acl, acl->data(), acl->size(), 0) != 0 && errno != ENOTSUP)
            return failed(Operation::acl, errno);
    } else if (::fremovexattr(to, access_acl) != 0 && !no_attribute(errno)) {
        return failed(Operation::acl, errno);
    }
    return {};
}

// Only root gives a file away; a member of its group may give it that group.
// Where neither is allowed the file belongs to whoever wrote it.
Step<> keep_owner(int to, const struct stat& status) {
    if (::fchown(to, status.st_uid, status.st_gid) == 0) return {};
    if (errno != EPERM) return failed(Operation::owner, errno);
    if (::fchown(to, static_cast<uid_t>(-1), status.st_gid) == 0 || errno == EPERM) return {};
    return failed(Operation::owner, errno);
}

}  // namespace

Step<> copy_attributes(int to, int replaced, const struct stat& status) {
    if (auto kept = keep_owner(to, status); !kept) return kept;
    auto acl = access_acl_of(replaced);
    if (!acl) return std::unexpected(acl.error());
    // The list goes before the mode, whose group bits an access control list
    // would otherwise read as its mask.
    if (auto set = set_access_acl(to, *acl); !set) return set;
    if (::fchmod(to, status.st_mode & 07777) != 0) return failed(Operation::mode, errno);
    return {};
}

Step<> make_owner_only(int fd) {
    if (auto set = set_access_acl(fd, std::nullopt); !set) return set;
    if (::fchmod(fd, 0600) != 0) return failed(Operation::mode, errno);
    return {};
}

}  // namespace vevizovuvazavad::system
