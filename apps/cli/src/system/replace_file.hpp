#pragma once
// Replacing files' whole content so that none is ever seen half-written, on
// every file system where a plain write works. Each new content goes to a
// staged file in the directory of the entry a plain write would reach
// (destination.hpp), is flushed to stable storage, and takes that entry
// (commit.hpp); the directory is flushed last, so a file reported written
// survives a power loss (where the user may read the directory: one opened
// only to name files in cannot be flushed).

#include <cstddef>
#include <expected>
#include <span>
#include <string>
#include <string_view>

#include "system/commit.hpp"
#include "system/destination.hpp"
#include "system/write_step.hpp"

namespace vevizovuvazavad::system {

struct FileReplacement {
    std::string path;
    FileContent content;
    FileMode mode;
};

// Which of the files could not be replaced, the operation that failed and
// its error number (the open's own when the output is refused).
struct ReplaceFailure {
    std::size_t index;
    Operation operation;
    int error_number;
};

// Replaces each file with its content. A symbolic link stays a link: the file
// it leads to is replaced. What cannot be replaced by name (a device, a pipe,
// a file that no name leads to any more) is written through the open file.
//
// All or nothing: every file is written and flushed, and every entry checked
// to still hold what its file was written against, before the first is put
// in place; they are then put in place in order, and if one cannot be, those
// before it are taken back. What cannot be taken back is what was written
// through the open file, and a file renamed over where the file system has
// neither swaps nor hard links; a process killed between two files can
// leave some replaced and not others. Whenever an entry changed under the
// write it starts again; after eight tries it fails with EAGAIN.
std::expected<void, ReplaceFailure> replace_files(std::span<const FileReplacement> files);

// One file: replace_files with `content`, or with `bytes` as the whole content.
std::expected<void, int> replace_file(const std::string& path, const FileContent& content, FileMode mode);
std::expected<void, int> replace_file(const std::string& path, std::string_view bytes, FileMode mode);

}  // namespace vevizovuvazavad::system
