#pragma once
// Chunk files: archived content of any size, never held whole. Each file is
// read through one buffer that serves every chunk of a command, and hashed as
// its bytes arrive, so a chunk of a terabyte takes the memory of one of a
// byte.

#include <cstddef>
#include <expected>
#include <string>
#include <vector>

#include <orrincore_crypto/hash.hpp>
#include <orrincore_object/object_reference.hpp>

namespace vevizovuvazavad::io {

// Bytes per read: large enough that a system call and a hasher update cost
// little per byte, small enough to stay in the processor's cache between the
// read that fills it and the hash that consumes it.
inline constexpr std::size_t chunk_read_size = 256 * 1024;

class ChunkDigester {
public:
    ChunkDigester() : buffer_(chunk_read_size) {}

    // The length of the file at `path` and its hash under `algorithm`, or
    // "{path}: {os error}", the very text that reading the file whole gives
    // (a folder, for instance, fails on its first read).
    std::expected<orrincore_object::ContentDigest, std::string> digest(const std::string& path,
                                                                       orrincore_crypto::HashAlgorithm algorithm);

private:
    std::vector<char> buffer_;
};

}  // namespace vevizovuvazavad::io
