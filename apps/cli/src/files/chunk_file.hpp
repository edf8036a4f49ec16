#pragma once
// Chunk files: archived content of any size, never held whole. The files of
// a command are read through one buffer, and each is hashed as its bytes
// arrive, so a chunk of a terabyte takes the memory of one of a byte.

#include <cstddef>
#include <cstdint>
#include <expected>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include <orrincore_crypto/hash.hpp>
#include <orrincore_object/object_reference.hpp>

namespace vevizovuvazavad::files {

// Bytes per read: large enough that a system call and a hasher update cost
// little per byte, small enough to stay in the processor's cache between the
// read that fills it and the hash that consumes it.
inline constexpr std::size_t chunk_read_size = 256 * 1024;

// How one file of a walk is read.
struct ChunkReading {
    orrincore_crypto::HashAlgorithm algorithm = orrincore_crypto::HashAlgorithm::blake3;
    // Reading stops one byte beyond this size: a file that long can no longer
    // match a reference of this size, whatever follows (/dev/zero never ends).
    std::uint64_t size_limit = std::numeric_limits<std::uint64_t>::max();
    // Only whether the file can be opened and read matters (a folder cannot
    // be read): its content is not read, and its digest is of nothing.
    bool open_only = false;
};

// The length of every file and its hash, file i read as `reading(i)` says, in
// order; a file cut off at its limit shows the length read and the hash of
// those bytes. The first file that cannot be read ends the walk with
// "{path}: {os error}", the very text that reading the file whole gives (a
// folder, for instance, fails on its first read).
std::expected<std::vector<orrincore_object::ContentDigest>, std::string> digest_chunk_files(
    const std::vector<std::string>& paths, const std::function<ChunkReading(std::size_t)>& reading);

}  // namespace vevizovuvazavad::files
