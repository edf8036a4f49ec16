#include "io/chunk_file.hpp"

#include <cstdint>

#include <orrincore_crypto/hasher.hpp>

#include "io/os_error.hpp"
#include "io/read_file.hpp"

namespace vevizovuvazavad::io {
namespace {

std::expected<orrincore_object::ContentDigest, std::string> digest_file(const std::string& path,
                                                                        orrincore_crypto::HashAlgorithm algorithm,
                                                                        std::vector<char>& buffer) {
    auto file = InputFile::open(path);
    if (!file) return std::unexpected(path_error_text(path, file.error()));
    orrincore_crypto::hash::Hasher hasher(algorithm);
    std::uint64_t size = 0;
    for (;;) {
        auto count = file->read_some(buffer);
        if (!count) return std::unexpected(path_error_text(path, count.error()));
        if (*count == 0) break;
        hasher.update({reinterpret_cast<const std::uint8_t*>(buffer.data()), *count});
        size += *count;
    }
    return orrincore_object::ContentDigest{size, hasher.finalize()};
}

}  // namespace

std::expected<std::vector<orrincore_object::ContentDigest>, std::string> digest_chunk_files(
    const std::vector<std::string>& paths, const std::function<orrincore_crypto::HashAlgorithm(std::size_t)>& algorithm) {
    std::vector<char> buffer(chunk_read_size);
    std::vector<orrincore_object::ContentDigest> digests;
    digests.reserve(paths.size());
    for (std::size_t i = 0; i < paths.size(); ++i) {
        auto digest = digest_file(paths[i], algorithm(i), buffer);
        if (!digest) return std::unexpected(std::move(digest).error());
        digests.push_back(*digest);
    }
    return digests;
}

}  // namespace vevizovuvazavad::io
