#include "mysql/client/EncryptedPassword.h"

#include <cstdint>
#include <vector>

#include "mysql/client/DAConsts.h"
#include "mysql/client/DAErrors.h"

namespace brevant {

namespace {

// Each byte is XORed with a key byte that depends on its position, then chained
// with the previous output byte so that equal characters do not give equal hex.
constexpr std::uint8_t kKey[] = {0x5A, 0xC3, 0x17, 0x8E, 0x61, 0xF2, 0x2D, 0xB4};

std::uint8_t KeyByte(std::size_t i) { return static_cast<std::uint8_t>(kKey[i % sizeof kKey] + 13 * i); }

int HexValue(char16_t c) {
    if (c >= u'0' && c <= u'9') return c - u'0';
    if (c >= u'A' && c <= u'F') return c - u'A' + 10;
    if (c >= u'a' && c <= u'f') return c - u'a' + 10;
    return -1;
}

}  // namespace

UString EncryptPassword(UStringView password) {
    static constexpr char16_t kHex[] = u"0123456789ABCDEF";
    UString out;
    out.reserve(password.size() * 4);
    std::uint8_t prev = 0;
    std::size_t i = 0;
    auto put = [&](std::uint8_t b) {
        const std::uint8_t e = static_cast<std::uint8_t>(b ^ KeyByte(i++) ^ prev);
        prev = e;
        out += kHex[e >> 4];
        out += kHex[e & 15];
    };
    for (char16_t c : password) {
        put(static_cast<std::uint8_t>(c & 0xFF));
        put(static_cast<std::uint8_t>(c >> 8));
    }
    return out;
}

UString DecryptPassword(UStringView encrypted) {
    if (encrypted.size() % 4 != 0) DatabaseError(SInvalidEncryptedPassword);
    std::vector<std::uint8_t> bytes;
    bytes.reserve(encrypted.size() / 2);
    std::uint8_t prev = 0;
    for (std::size_t i = 0; i < encrypted.size(); i += 2) {
        const int hi = HexValue(encrypted[i]), lo = HexValue(encrypted[i + 1]);
        if (hi < 0 || lo < 0) DatabaseError(SInvalidEncryptedPassword);
        const std::uint8_t e = static_cast<std::uint8_t>(hi * 16 + lo);
        bytes.push_back(static_cast<std::uint8_t>(e ^ KeyByte(bytes.size()) ^ prev));
        prev = e;
    }
    UString out;
    out.reserve(bytes.size() / 2);
    for (std::size_t i = 0; i < bytes.size(); i += 2) out += static_cast<char16_t>(bytes[i] | (bytes[i + 1] << 8));
    return out;
}

}  // namespace brevant
