#pragma once
// Replacing a file's whole content so that it is never seen half-written:
// the new content goes to a fresh temporary file beside the target, is
// flushed to stable storage, and is renamed over the target; the folder is
// flushed last, so a file reported written survives a power loss.

#include <expected>
#include <string>
#include <string_view>

namespace vevizovuvazavad::io {

enum class FileMode {
    // A record file: an existing target keeps its permission bits, a new one
    // gets 0666 less the file-creation mask.
    record,
    // A secret: 0600 whatever the target had, the temporary created so.
    owner_only,
};

// Writes `bytes` as the whole content of `path`; the result is the error
// number of the first step that failed. A symbolic link is followed: the file
// it names is replaced and the link stays. An existing file keeps its owner
// where the process may keep it. A target that exists but is neither a
// regular file nor a folder (a device, a pipe) cannot be replaced and is
// written in place.
//
// Until the rename the target is untouched, and every failure removes the
// temporary file. Only the last step, flushing the folder, can fail after
// the target was replaced.
std::expected<void, int> replace_file(const std::string& path, std::string_view bytes, FileMode mode);

// Whether replace_file through `first` and through `second` would replace one
// and the same file, so that the second write undoes the first: the same
// path however spelt, or reached through a symbolic link. A device or pipe,
// written in place, and a path that cannot be resolved never count.
bool replace_the_same_file(const std::string& first, const std::string& second);

}  // namespace vevizovuvazavad::io
