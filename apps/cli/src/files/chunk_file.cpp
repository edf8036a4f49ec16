#include "files/chunk_file.hpp"

#include <algorithm>
#include <cerrno>

#include <orrincore_crypto/hasher.hpp>

#include "system/os_error.hpp"
#include "system/read_file.hpp"

namespace vevizovuvazavad::files {
namespace {

std::expected<orrincore_object::ContentDigest, std::string> digest_file(const std::string& path,
                                                                        const ChunkReading& reading,
                                                                        std::vector<char>& buffer) {
    auto file = system::InputFile::open(path);
    if (!file) return std::unexpected(system::path_error_text(path, file.error()));
    orrincore_crypto::hash::Hasher hasher(reading.algorithm);
    if (reading.open_only) {
        if (file->is_folder()) return std::unexpected(system::path_error_text(path, EISDIR));
        return orrincore_object::ContentDigest{0, hasher.finalize()};
    }
    const std::uint64_t stop_after =
        reading.size_limit == std::numeric_limits<std::uint64_t>::max() ? reading.size_limit : reading.size_limit + 1;
    std::uint64_t size = 0;
    while (size < stop_after) {
        const auto wanted = static_cast<std::size_t>(std::min<std::uint64_t>(buffer.size(), stop_after - size));
        auto count = file->read_some(std::span(buffer.data(), wanted));
        if (!count) return std::unexpected(system::path_error_text(path, count.error()));
        if (*count == 0) break;
        hasher.update({reinterpret_cast<const std::uint8_t*>(buffer.data()), *count});
        size += *count;
    }
    return orrincore_object::ContentDigest{size, hasher.finalize()};
}

}  // namespace

std::expected<std::vector<orrincore_object::ContentDigest>, std::string> digest_chunk_files(
    const std::vector<std::string>& paths, const std::function<ChunkReading(std::size_t)>& reading) {
    std::vector<char> buffer(chunk_read_size);
    std::vector<orrincore_object::ContentDigest> digests;
    digests.reserve(paths.size());
    for (std::size_t i = 0; i < paths.size(); ++i) {
        auto digest = digest_file(paths[i], reading(i), buffer);
        if (!digest) return std::unexpected(std::move(digest).error());
        digests.push_back(*digest);
    }
    return digests;
}

}  // namespace vevizovuvazavad::files
