#include "io/chunk_file.hpp"

#include <cstdint>

#include <orrincore_crypto/hasher.hpp>

#include "io/os_error.hpp"
#include "io/read_file.hpp"

namespace vevizovuvazavad::io {

std::expected<orrincore_object::ContentDigest, std::string> ChunkDigester::digest(
    const std::string& path, orrincore_crypto::HashAlgorithm algorithm) {
    auto file = InputFile::open(path);
    if (!file) return std::unexpected(path_error_text(path, file.error()));
    orrincore_crypto::hash::Hasher hasher(algorithm);
    std::uint64_t size = 0;
    for (;;) {
        auto count = file->read_some(buffer_);
        if (!count) return std::unexpected(path_error_text(path, count.error()));
        if (*count == 0) break;
        hasher.update({reinterpret_cast<const std::uint8_t*>(buffer_.data()), *count});
        size += *count;
    }
    return orrincore_object::ContentDigest{size, hasher.finalize()};
}

}  // namespace vevizovuvazavad::io
