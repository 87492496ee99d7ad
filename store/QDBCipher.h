#pragma once
// Password protection of whole containers. This is obfuscation kept for
// reading and writing such files: the check value is an unsalted SHA-1 and
// the key stream has 32 bits of state.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace qdb {

using TDigest = std::array<uint8_t, 20>;

constexpr int kMaxPasswordLength = 255;

// SHA-1 of the text's bytes.
TDigest Digest(const std::string& text);
// The key that enciphers a protected container: the digest of the password
// (of at most 255 characters).
TDigest PasswordKey(const std::string& password);
// The value kept in the password block: the digest of the key's 20 bytes.
TDigest PasswordCheckValue(const std::string& password);

// XORs the buffer with the key stream that starts afresh from key; the same
// call deciphers.
void Encipher(uint8_t* buffer, size_t length, const TDigest& key);
inline void Decipher(uint8_t* buffer, size_t length, const TDigest& key) { Encipher(buffer, length, key); }

}  // namespace qdb
