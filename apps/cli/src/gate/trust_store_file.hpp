#pragma once
// The trust store as `trust add`, `trust list` and the release gate find it
// on disk.

#include <expected>
#include <string>

#include "gate/trust_store.hpp"

namespace vevizovuvazavad {

// The store in the file at `path`. A path that leads to nothing (it does not
// exist, a directory on the way cannot be searched or is not a directory, a
// symbolic link dangles) is the empty store. Any other failure to examine
// the path (an I/O error, a loop of links, a name too long, no memory) is
// "{path}: {os error}": a store that is there but could not be looked at
// must not pass for an empty one, or `trust add` would replace it with a
// store of one signer. Errors of reading the file are read_json's.
std::expected<TrustStore, std::string> load_trust_store(const std::string& path);

}  // namespace vevizovuvazavad
