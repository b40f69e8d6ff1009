// Arbitrary bytes as the server's public key, PEM text or DER: the import ends
// in a key or in one of its fixed errors, and a key that imports can encrypt.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

#include "mysql/wire/TRSAKey.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    brevant::TRSAKey key;
    try {
        if (data[0] & 1)
            key.ImportDer(std::span(data + 1, size - 1));
        else
            key.ImportPem(std::string_view(reinterpret_cast<const char*>(data + 1), size - 1));
        const std::uint8_t message[16] = {'p', 'w', 0};
        key.Encrypt(message, brevant::TRSAKey::PaddingOAEP);
        key.Encrypt(message, brevant::TRSAKey::PaddingPKCS1);
    } catch (const brevant::ERSAKeyError&) {
    }
    return 0;
}
