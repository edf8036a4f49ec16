#pragma once
// Replacing a file's whole content so that it is never seen half-written.
// The output is first opened the way a plain create-or-truncate write opens
// it, without truncating: the kernel follows the links and applies every
// check of its own (permissions, and the protection of links and files in
// sticky directories), so the tool may write exactly where such a write may.
// The new content then goes to a fresh temporary file in the directory of the
// entry that open reached (file_entry.hpp), is flushed to stable storage and
// swapped with that entry's file, which is then removed; the directory is
// flushed last, so a file reported written survives a power loss. Where the
// file system allows, the temporary has no name until its content is
// complete, so a process killed meanwhile leaves nothing behind.

#include <cstddef>
#include <expected>
#include <functional>
#include <span>
#include <string>
#include <string_view>

namespace vevizovuvazavad::system {

enum class FileMode {
    // A record file: it keeps the permission bits, the access control list
    // and, where the process may give it away, the owner of the file it
    // replaces; a new one gets 0666 less the file-creation mask.
    record,
    // A secret: 0600 from the moment it exists whatever the file-creation
    // mask, owned by whoever writes it, whatever the file it replaces.
    owner_only,
};

// What a file is filled with: written to the open file from its start, again
// for each try; the error number of the write that failed.
using FileContent = std::function<std::expected<void, int>(int fd)>;

struct FileReplacement {
    std::string path;
    FileContent content;
    FileMode mode;
};

// Which of the files could not be replaced, and the error number of the
// first step that failed (the open's own when it is refused).
struct ReplaceFailure {
    std::size_t index;
    int error_number;
};

// Replaces each file with its content. A symbolic link stays a link: the file
// it leads to is replaced. What cannot be replaced by name (a device, a pipe,
// a file that no name leads to any more) is written through the open file.
//
// All or nothing: every file is written and flushed, and every entry checked
// to still hold what its file was written against, before the first is put
// in place; they are then put in place in order, back to back, each swapped
// with the file it replaces, which is removed once all are in place. If one
// cannot be put in place, those before it are swapped back, so that a
// failure changes none of the files (a file that the open had to create
// through a link is removed again). What cannot be taken back is what was
// written through the open file, and a file renamed over where the file
// system cannot swap names; a process killed between two files can leave
// some replaced and not others. A directory that cannot be flushed fails the
// call after every file was replaced.
std::expected<void, ReplaceFailure> replace_files(std::span<const FileReplacement> files);

// One file: replace_files with `content`, or with `bytes` as the whole content.
std::expected<void, int> replace_file(const std::string& path, const FileContent& content, FileMode mode);
std::expected<void, int> replace_file(const std::string& path, std::string_view bytes, FileMode mode);

}  // namespace vevizovuvazavad::system
