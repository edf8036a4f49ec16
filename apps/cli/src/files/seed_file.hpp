#pragma once
// Seed files: the 32-byte Ed25519 seed of a signing key as exactly 64
// lower-case hex digits, nothing else, mode 0600. They hold the only copy of
// a secret, so they are written 0600 from the moment they exist, and every
// buffer that held their digits is wiped.

#include <expected>
#include <string>

#include <orrincore_crypto/sign.hpp>

namespace vevizovuvazavad::files {

// The key whose seed the file holds. The content, trimmed of White_Space
// characters at both ends, must be 64 hex digits of either case; a file of
// more than 64 KiB is refused unread beyond that. Errors: "{path}: {os
// error}", "{path}: stream did not contain valid UTF-8", "key file must hold
// a 64-char hex seed". The file's permissions are not looked at.
std::expected<orrincore_crypto::SigningKey, std::string> read_seed_file(const std::string& path);

// Replaces the file at `path` with the key's seed (replace_file.hpp, mode
// 0600); the error is the error number.
std::expected<void, int> write_seed_file(const std::string& path, const orrincore_crypto::SigningKey& key);

}  // namespace vevizovuvazavad::files
