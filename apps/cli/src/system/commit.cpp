#include "system/commit.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "system/file_entry.hpp"

namespace vevizovuvazavad::system {
namespace {

// Takes back the placed files, last first: false when one could not be.
bool take_back(std::span<Output> placed) {
    bool all = true;
    for (std::size_t i = placed.size(); i-- > 0;)
        all = std::visit([](auto& output) { return output.take_back(); }, placed[i]) && all;
    return all;
}

}  // namespace

bool NewFile::unchanged() const {
    struct stat there {};
    return ::fstatat(entry_.folder.fd(), entry_.name.c_str(), &there, AT_SYMLINK_NOFOLLOW) != 0 && errno == ENOENT;
}

Step<> NewFile::place() {
    auto taken = staged_.take_free_name(entry_.name);
    if (!taken) return std::unexpected(taken.error());
    placed_ = *taken;
    // Reached through links followed by hand, the name must be where the
    // kernel, with every check of its own, follows them now: a link changed
    // or planted meanwhile sends the write back to its start.
    if (entry_.through_links.empty()) return {};
    const FileDescriptor reached(::open(entry_.through_links.c_str(), O_PATH | O_CLOEXEC));
    struct stat now {};
    if (reached.valid() && ::fstat(reached.get(), &now) == 0 && same_file(now, *placed_)) return {};
    take_back();
    return name_changed(Operation::look);
}

bool NewFile::take_back() {
    // Only the name given; what someone put there since is theirs.
    if (placed_ && holds_file(entry_.folder.fd(), entry_.name, *placed_))
        ::unlinkat(entry_.folder.fd(), entry_.name.c_str(), 0);
    placed_.reset();
    return true;
}

bool ReplacingFile::unchanged() const { return holds_file(entry_.folder.fd(), entry_.name, entry_.status); }

Step<> ReplacingFile::place() {
    auto swapped = staged_.exchange_with(entry_.name);
    if (!swapped) {
        if (swapped.error().then == NotDone::Then::fail && flag_refused(swapped.error().error_number))
            return rename_over();
        return std::unexpected(swapped.error());
    }
    placed_ = Placed::swapped;
    displaced_.emplace(entry_.folder.fd(), *std::move(swapped), entry_.status);
    // By the swap the entry may have held another file: that one goes back,
    // and the write starts again.
    if (displaced_->holds_its_file()) return {};
    if (!take_back()) return failed(Operation::exchange, EAGAIN);
    return name_changed(Operation::exchange);
}

// Where names cannot be swapped, the replaced file is given a second name
// first, so that it can still be put back.
Step<> ReplacingFile::rename_over() {
    auto kept = TemporaryName::link_to(entry_.folder.fd(), entry_.name, entry_.status);
    const bool no_links = !kept && kept.error().then == NotDone::Then::fail && links_refused(kept.error().error_number);
    if (!kept && !no_links) return std::unexpected(kept.error());
    if (kept) displaced_.emplace(*std::move(kept));
    if (!unchanged()) return name_changed(Operation::look);
    if (auto renamed = staged_.rename_over(entry_.name); !renamed) return renamed;
    placed_ = no_links ? Placed::for_good : Placed::kept;
    return {};
}

void ReplacingFile::finish() {
    // Closed first: some file systems (FUSE) keep a removed file that is
    // still open under a hidden name of their own. Its temporary name keeps
    // its inode number from being taken meanwhile.
    entry_.opened = FileDescriptor();
    displaced_.reset();
}

bool ReplacingFile::take_back() {
    bool back = false;
    switch (placed_) {
    case Placed::no: return true;
    case Placed::for_good: return false;
    case Placed::swapped:
        // Swapped again, the staged file is back under the temporary name,
        // and goes with it.
        back = displaced_->exchange_with(entry_.name, staged_.status()).has_value();
        break;
    case Placed::kept:
        back = holds_file(entry_.folder.fd(), entry_.name, staged_.status()) &&
               displaced_->rename_over(entry_.name).has_value();
        break;
    }
    if (!back) {
        // Someone changed the entry since: the replaced file stays under its
        // temporary name, for its owner to find, rather than be lost.
        displaced_->release();
        placed_ = Placed::for_good;
        return false;
    }
    displaced_.reset();
    placed_ = Placed::no;
    return true;
}

Step<> WrittenThrough::place() {
    const int fd = file_.opened.get();
    if (S_ISREG(file_.status.st_mode) && ::ftruncate(fd, 0) != 0) return failed(Operation::write, errno);
    written_ = true;
    if (auto written = (*content_)(fd); !written) return failed(Operation::write, written.error());
    // Closed now, so that a failing close is seen.
    if (file_.opened.close() != 0) return failed(Operation::write, errno);
    return {};
}

std::expected<void, CommitStop> commit(std::span<Output> outputs) {
    std::size_t placing = 0;
    try {
        for (; placing < outputs.size(); ++placing) {
            auto placed = std::visit([](auto& output) { return output.place(); }, outputs[placing]);
            if (placed) continue;
            NotDone why = placed.error();
            if (!take_back(outputs.first(placing))) why.then = NotDone::Then::fail;
            return std::unexpected(CommitStop{placing, why});
        }
    } catch (...) {
        take_back(outputs.first(std::min(placing + 1, outputs.size())));
        throw;
    }
    for (auto& output : outputs) std::visit([](auto& each) { each.finish(); }, output);
    for (std::size_t i = 0; i < outputs.size(); ++i) {
        const Folder* folder = std::visit([](const auto& output) { return output.folder(); }, outputs[i]);
        if (auto flushed = folder ? folder->flush() : std::expected<void, int>{}; !flushed)
            return std::unexpected(CommitStop{i, {NotDone::Then::fail, Operation::flush, flushed.error()}});
    }
    return {};
}

}  // namespace vevizovuvazavad::system
