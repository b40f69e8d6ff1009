#pragma once
// The server's RSA public key for sending a password over a plain connection
// (sha256_password and caching_sha2_password). The key arrives as a PEM
// SubjectPublicKeyInfo block; the DER inside is read by hand so that every
// structural fault gets one of the fixed texts below, and the encryption itself
// is OpenSSL's (its padding bytes come from OpenSSL's random generator, so the
// padded block cannot be predicted).

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "core/Errors.h"

typedef struct evp_pkey_st EVP_PKEY;

namespace brevant {

/// Failures of the key import and the encryption. A plain exception on purpose:
/// it is no protocol error and passes through mysql_real_connect unchanged.
class ERSAKeyError : public Exception {
public:
    using Exception::Exception;
};

inline constexpr char kKeyIsBroken[] = "Key is broken";
inline constexpr char kUnexpectedEndOfData[] = "Unexpected end of data packet";
inline constexpr char kMessageTooLong[] = "An error occurred when encrypting data: Message too long";
inline constexpr char kInvalidInputArguments[] = "Invalid input arguments";

class TRSAKey {
public:
    /// Padding schemes of Encrypt.
    static constexpr int PaddingPKCS1 = 0;  // PKCS #1 v1.5, block type 2
    static constexpr int PaddingOAEP = 1;   // OAEP with SHA-1, MGF1/SHA-1, empty label

    TRSAKey() = default;
    ~TRSAKey();
    TRSAKey(const TRSAKey&) = delete;
    TRSAKey& operator=(const TRSAKey&) = delete;

    /// Reads a "-----BEGIN PUBLIC KEY-----" block. Raises ERSAKeyError.
    void ImportPem(std::string_view pem);
    /// Reads the DER SubjectPublicKeyInfo of an rsaEncryption key. Raises ERSAKeyError.
    void ImportDer(std::span<const std::uint8_t> der);

    bool Loaded() const { return key_ != nullptr; }
    /// Modulus and public exponent, big-endian, without leading zero bytes.
    const std::vector<std::uint8_t>& Modulus() const { return modulus_; }
    const std::vector<std::uint8_t>& Exponent() const { return exponent_; }
    /// k: the modulus length in bytes (bit count rounded up).
    std::size_t ModulusBytes() const { return modulus_.size(); }

    /// Encrypts `message` into exactly ModulusBytes() bytes. Raises ERSAKeyError.
    std::vector<std::uint8_t> Encrypt(std::span<const std::uint8_t> message, int padding) const;

private:
    void Reset();
    std::vector<std::uint8_t> modulus_, exponent_;
    EVP_PKEY* key_ = nullptr;
};

}  // namespace brevant
