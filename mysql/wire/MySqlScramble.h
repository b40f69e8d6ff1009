#pragma once
// The password proofs of the authentication plugins. Passwords arrive here as
// bytes already converted to the system code page; scrambles are the server's
// 20 random bytes.

#include <array>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace brevant {

using Sha1Digest = std::array<std::uint8_t, 20>;
using Sha256Digest = std::array<std::uint8_t, 32>;

Sha1Digest Sha1(std::span<const std::uint8_t> a, std::span<const std::uint8_t> b = {});
Sha256Digest Sha256(std::span<const std::uint8_t> a, std::span<const std::uint8_t> b = {});

/// mysql_native_password: SHA1(pw) XOR SHA1(scramble[0..19] + SHA1(SHA1(pw))).
Sha1Digest ScrambleNative(std::string_view password, std::span<const std::uint8_t> scramble);
/// caching_sha2_password: SHA256(pw) XOR SHA256(SHA256(SHA256(pw)) + scramble[0..19]).
Sha256Digest ScrambleSha256(std::string_view password, std::span<const std::uint8_t> scramble);
/// Pre-4.1 scramble over the first 8 scramble bytes: 8 bytes and a terminating 0.
std::array<std::uint8_t, 9> ScrambleOld(std::string_view password, std::span<const std::uint8_t> scramble);

/// The password and a 0 byte, XORed with the scramble cyclically; what the RSA
/// exchange encrypts.
std::vector<std::uint8_t> XorPassword(std::string_view password, std::span<const std::uint8_t> scramble);

}  // namespace brevant
