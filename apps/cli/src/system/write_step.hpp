#pragma once
// How a step of a write ends when it does not complete: the operation that
// failed with its error number, and whether the write starts again. A name
// that changed under the write sends it back to its start, where every file
// is staged afresh; anything else ends it.

#include <cerrno>
#include <expected>

namespace vevizovuvazavad::system {

// The operation a step failed in. Users see only the error number; tests and
// debugging see where it came from.
enum class Operation {
    look,      // lstat, fstat or readlink of a name or an open file
    open,      // the output, or its directory
    create,    // the staged file
    write,     // the content
    owner,     // the owner or group of the staged file
    acl,       // its access control list
    mode,      // its permission bits
    flush,     // a file or a directory to stable storage
    link,      // a second name for a file
    rename,    // a name taken by rename
    exchange,  // two names swapped
};

struct NotDone {
    enum class Then { retry, fail };
    Then then;
    Operation operation;
    int error_number = 0;
};

template <class T = void>
using Step = std::expected<T, NotDone>;

inline std::unexpected<NotDone> failed(Operation operation, int error_number) {
    return std::unexpected(NotDone{NotDone::Then::fail, operation, error_number});
}

// After the last try the write fails with EAGAIN.
inline std::unexpected<NotDone> name_changed(Operation operation) {
    return std::unexpected(NotDone{NotDone::Then::retry, operation, EAGAIN});
}

// Whether a rename flag (no-replace, exchange) was refused as unknown: file
// systems that cannot honour one (FUSE, NFS, SMB) answer in one of these ways.
inline bool flag_refused(int error_number) {
    return error_number == EINVAL || error_number == ENOSYS || error_number == EOPNOTSUPP;
}

// Whether a hard link was refused: the file system makes none, or (EPERM)
// the kernel protects a file the user may not both read and write. Either
// way a replaced file then cannot be kept under a second name.
inline bool links_refused(int error_number) {
    return error_number == EPERM || error_number == EOPNOTSUPP || error_number == ENOSYS;
}

}  // namespace vevizovuvazavad::system
