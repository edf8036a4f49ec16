#pragma once
// The files of one replacement, staged, then put in place together: each
// takes its place in order, back to back, and when one cannot, those before
// it are taken back, last first, so that a failure changes none of them.

#include <cstddef>
#include <expected>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <variant>

#include "system/destination.hpp"
#include "system/staged_file.hpp"
#include "system/write_step.hpp"

namespace vevizovuvazavad::system {

// What a file is filled with: written to the open file from its start, again
// for each try; the error number of the write that failed.
using FileContent = std::function<std::expected<void, int>(int fd)>;

// A file staged to take a name not there yet.
class NewFile {
public:
    NewFile(NewName entry, StagedFile staged) : entry_(std::move(entry)), staged_(std::move(staged)) {}

    bool unchanged() const;
    Step<> place();
    bool take_back();
    void finish() {}
    const Folder* folder() const { return &entry_.folder; }

private:
    NewName entry_;  // declared before the staged file, which names files in its folder
    StagedFile staged_;
    // The file as its new entry shows it, once placed.
    std::optional<struct stat> placed_;
};

// A file staged to replace the file in an existing entry.
class ReplacingFile {
public:
    ReplacingFile(ExistingName entry, StagedFile staged) : entry_(std::move(entry)), staged_(std::move(staged)) {}

    bool unchanged() const;
    Step<> place();
    bool take_back();
    // Removes the replaced file's temporary name.
    void finish();
    const Folder* folder() const { return &entry_.folder; }

private:
    Step<> rename_over();

    ExistingName entry_;
    StagedFile staged_;
    enum class Placed {
        no,
        swapped,   // with the entry's file, which waits under a temporary name
        kept,      // renamed over the entry's file, kept under a second name
        for_good,  // renamed over where there are neither swaps nor second names
    };
    Placed placed_ = Placed::no;
    // Where the replaced file waits while it can still be put back.
    std::optional<TemporaryName> displaced_;
};

// A device, a pipe or a file without a name: written when the files are put
// in place, which cannot be taken back.
class WrittenThrough {
public:
    WrittenThrough(OpenFile file, const FileContent& content) : file_(std::move(file)), content_(&content) {}

    bool unchanged() const { return true; }
    Step<> place();
    bool take_back() const { return !written_; }
    void finish() {}
    const Folder* folder() const { return nullptr; }

private:
    OpenFile file_;
    const FileContent* content_;
    bool written_ = false;
};

using Output = std::variant<NewFile, ReplacingFile, WrittenThrough>;

// Where a commit stopped: the file that could not be put in place, and why.
// A commit that could not take back every earlier file fails rather than
// starting again, which would put such a file in place twice.
struct CommitStop {
    std::size_t index;
    NotDone why;
};

// Puts the staged files in place in order, then removes the files they
// replaced and flushes their directories. Whatever stops it, a failed step
// or an exception, takes back the files already placed. A directory that
// cannot be flushed fails the commit with every file in place.
std::expected<void, CommitStop> commit(std::span<Output> outputs);

}  // namespace vevizovuvazavad::system
