#pragma once
// Replacing a file's whole content so that it is never seen half-written.
// The output is first opened the way a plain create-or-truncate write opens
// it, without truncating: the kernel follows the links and applies every
// check of its own (permissions, and the protection of links and files in
// sticky folders), so the tool may write exactly where such a write may.
// The new content then goes to a fresh temporary file beside the file that
// open reached, is flushed to stable storage and renamed over it; the folder
// is flushed last, so a file reported written survives a power loss.

#include <expected>
#include <functional>
#include <string>
#include <string_view>

namespace vevizovuvazavad::io {

enum class FileMode {
    // A record file: it keeps the permission bits and, where the process may
    // give it away, the owner of the file it replaces; a new one gets 0666
    // less the file-creation mask.
    record,
    // A secret: 0600 from the moment it exists, owned by whoever writes it,
    // whatever the file it replaces.
    owner_only,
};

// Writes `bytes` as the whole content of `path`; the result is the error
// number of the first step that failed, the open's own when it is refused.
// A symbolic link stays a link: the file it leads to is replaced. What
// cannot be replaced by name (a device, a pipe, a file that no name leads to
// any more) is written through the open file instead.
//
// A refused open changes nothing. Until the rename the file is untouched,
// and every later failure removes the temporary file, and the file itself
// when the open had to create it. Only the last step, flushing the folder,
// can fail after the file was replaced.
std::expected<void, int> replace_file(const std::string& path, std::string_view bytes, FileMode mode);

// What a file is filled with when it is too large to be held whole: written
// to the open file from its start, again for each try; the error number of
// the write that failed.
using FileContent = std::function<std::expected<void, int>(int fd)>;

// replace_file with `content` written as the file's whole content.
std::expected<void, int> replace_file(const std::string& path, const FileContent& content, FileMode mode);

}  // namespace vevizovuvazavad::io
