#include "system/replace_file.hpp"

#include <unistd.h>

#include <vector>

#include "system/file_attributes.hpp"
#include "system/write_all.hpp"

namespace vevizovuvazavad::system {
namespace {

// How often a write starts again when a name changed under it.
constexpr int max_attempts = 8;

// The staged file's content and attributes, flushed. It is owner-only until
// it takes its entry; a replaced record then gets the replaced file's
// attributes, a new one the mode it was created with.
Step<> fill(const StagedFile& staged, const FileReplacement& file, const ExistingName* replaced) {
    const int fd = staged.fd();
    if (auto written = file.content(fd); !written) return failed(Operation::write, written.error());
    if (file.mode == FileMode::owner_only) {
        if (auto made = make_owner_only(fd); !made) return made;
    } else if (replaced) {
        if (auto copied = copy_attributes(fd, replaced->opened.get(), replaced->status); !copied) return copied;
    }
    if (::fsync(fd) != 0) return failed(Operation::flush, errno);
    return {};
}

template <class Entry, class Kind>
Step<Output> staged_for(Entry entry, const FileReplacement& file, mode_t creation_mode) {
    auto staged = StagedFile::create(entry.folder, entry.name, creation_mode);
    if (!staged) return std::unexpected(staged.error());
    const ExistingName* replaced = nullptr;
    if constexpr (std::is_same_v<Entry, ExistingName>) replaced = &entry;
    if (auto filled = fill(*staged, file, replaced); !filled) return std::unexpected(filled.error());
    return Output(std::in_place_type<Kind>, std::move(entry), *std::move(staged));
}

Step<Output> stage(const FileReplacement& file) {
    auto destination = destination_of(file.path, file.mode);
    if (!destination) return std::unexpected(destination.error());
    if (auto* entry = std::get_if<NewName>(&*destination))
        return staged_for<NewName, NewFile>(std::move(*entry), file, file.mode == FileMode::owner_only ? 0600 : 0666);
    if (auto* entry = std::get_if<ExistingName>(&*destination))
        return staged_for<ExistingName, ReplacingFile>(std::move(*entry), file, 0600);
    return Output(std::in_place_type<WrittenThrough>, std::get<OpenFile>(std::move(*destination)), file.content);
}

// How one try at a replacement ends: every file in place, or to be tried
// again from the start because a name changed under it, or failed.
enum class Outcome { ok, retry, failed };
struct Try {
    Outcome outcome;
    ReplaceFailure failure{};
};

Try stopped(std::size_t index, const NotDone& why) {
    return {why.then == NotDone::Then::retry ? Outcome::retry : Outcome::failed,
            {index, why.operation, why.error_number}};
}

// One try, all or nothing: every file is staged, and every entry checked to
// still hold what its file was staged against, before the first is placed.
Try replace_once(std::span<const FileReplacement> files) {
    std::vector<Output> outputs;
    outputs.reserve(files.size());
    for (std::size_t i = 0; i < files.size(); ++i) {
        auto output = stage(files[i]);
        if (!output) return stopped(i, output.error());
        outputs.push_back(*std::move(output));
    }
    for (std::size_t i = 0; i < outputs.size(); ++i) {
        if (!std::visit([](const auto& output) { return output.unchanged(); }, outputs[i]))
            return stopped(i, name_changed(Operation::look).error());
    }
    if (auto committed = commit(outputs); !committed) return stopped(committed.error().index, committed.error().why);
    return {Outcome::ok};
}

}  // namespace

std::expected<void, ReplaceFailure> replace_files(std::span<const FileReplacement> files) {
    Try last{Outcome::retry};
    for (int attempt = 0; attempt < max_attempts; ++attempt) {
        last = replace_once(files);
        switch (last.outcome) {
        case Outcome::ok: return {};
        case Outcome::failed: return std::unexpected(last.failure);
        case Outcome::retry: break;
        }
    }
    // The names kept changing: EAGAIN, for the file whose name changed last.
    return std::unexpected(last.failure);
}

std::expected<void, int> replace_file(const std::string& path, const FileContent& content, FileMode mode) {
    const FileReplacement file{path, content, mode};
    if (auto replaced = replace_files(std::span(&file, 1)); !replaced)
        return std::unexpected(replaced.error().error_number);
    return {};
}

std::expected<void, int> replace_file(const std::string& path, std::string_view bytes, FileMode mode) {
    return replace_file(
        path, [bytes](int fd) { return write_all(fd, bytes); }, mode);
}

}  // namespace vevizovuvazavad::system
