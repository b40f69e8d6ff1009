#include "mysql/wire/MySqlScramble.h"

#include <openssl/evp.h>

#include <stdexcept>

namespace brevant {

namespace {

std::span<const std::uint8_t> Bytes(std::string_view s) {
    return {reinterpret_cast<const std::uint8_t*>(s.data()), s.size()};
}

template <std::size_t N>
std::array<std::uint8_t, N> Digest(const EVP_MD* md, std::span<const std::uint8_t> a,
                                   std::span<const std::uint8_t> b) {
    std::array<std::uint8_t, N> out{};
    EVP_MD_CTX* ctx = EVP_MD_CTX_new();
    unsigned len = 0;
    bool ok = ctx && EVP_DigestInit_ex(ctx, md, nullptr) == 1 && EVP_DigestUpdate(ctx, a.data(), a.size()) == 1 &&
              EVP_DigestUpdate(ctx, b.data(), b.size()) == 1 && EVP_DigestFinal_ex(ctx, out.data(), &len) == 1;
    EVP_MD_CTX_free(ctx);
    if (!ok || len != N) throw std::runtime_error("OpenSSL digest failed");
    return out;
}

// The pre-4.1 password hash: two 31-bit words.
void OldHash(std::span<const std::uint8_t> text, std::uint32_t out[2]) {
    std::uint32_t nr = 1345345333, add = 7, nr2 = 0x12345671;
    for (std::uint8_t c : text) {
        if (c == ' ' || c == '\t') continue;
        nr ^= (((nr & 63) + add) * c) + (nr << 8);
        nr2 += (nr2 << 8) ^ nr;
        add += c;
    }
    out[0] = nr & 0x7FFFFFFF;
    out[1] = nr2 & 0x7FFFFFFF;
}

}  // namespace

Sha1Digest Sha1(std::span<const std::uint8_t> a, std::span<const std::uint8_t> b) {
    return Digest<20>(EVP_sha1(), a, b);
}

Sha256Digest Sha256(std::span<const std::uint8_t> a, std::span<const std::uint8_t> b) {
    return Digest<32>(EVP_sha256(), a, b);
}

Sha1Digest ScrambleNative(std::string_view password, std::span<const std::uint8_t> scramble) {
    Sha1Digest stage1 = Sha1(Bytes(password));
    Sha1Digest stage2 = Sha1(stage1);
    Sha1Digest mix = Sha1(scramble.first(std::min<std::size_t>(20, scramble.size())), stage2);
    for (std::size_t i = 0; i < stage1.size(); ++i) stage1[i] ^= mix[i];
    return stage1;
}

Sha256Digest ScrambleSha256(std::string_view password, std::span<const std::uint8_t> scramble) {
    Sha256Digest d1 = Sha256(Bytes(password));
    Sha256Digest d2 = Sha256(d1);
    Sha256Digest mix = Sha256(d2, scramble.first(std::min<std::size_t>(20, scramble.size())));
    for (std::size_t i = 0; i < d1.size(); ++i) d1[i] ^= mix[i];
    return d1;
}

std::array<std::uint8_t, 9> ScrambleOld(std::string_view password, std::span<const std::uint8_t> scramble) {
    std::uint32_t h1[2], h2[2];
    OldHash(Bytes(password), h1);
    OldHash(scramble.first(std::min<std::size_t>(8, scramble.size())), h2);
    const std::uint32_t maxValue = 0x3FFFFFFF;
    std::uint32_t seed1 = (h1[0] ^ h2[0]) % maxValue;
    std::uint32_t seed2 = (h1[1] ^ h2[1]) % maxValue;
    auto rnd = [&]() {
        seed1 = static_cast<std::uint32_t>((3ull * seed1 + seed2) % maxValue);
        seed2 = static_cast<std::uint32_t>((static_cast<std::uint64_t>(seed1) + seed2 + 33) % maxValue);
        return seed1 / 1073741823.0;
    };
    std::array<std::uint8_t, 9> out{};
    for (int i = 0; i < 8; ++i) out[i] = static_cast<std::uint8_t>(static_cast<int>(rnd() * 31) + 64);
    auto extra = static_cast<std::uint8_t>(static_cast<int>(rnd() * 31));
    for (int i = 0; i < 8; ++i) out[i] ^= extra;
    out[8] = 0;
    return out;
}

std::vector<std::uint8_t> XorPassword(std::string_view password, std::span<const std::uint8_t> scramble) {
    std::vector<std::uint8_t> out(password.begin(), password.end());
    out.push_back(0);
    if (!scramble.empty()) {
        const std::size_t n = std::min<std::size_t>(20, scramble.size());
        for (std::size_t i = 0; i < out.size(); ++i) out[i] ^= scramble[i % n];
    }
    return out;
}

}  // namespace brevant
