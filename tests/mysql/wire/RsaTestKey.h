#pragma once
// An RSA key pair made by OpenSSL for tests: the public half as the server sends
// it, the private half to check what the client encrypted.

#include <cstdint>
#include <string>
#include <vector>

typedef struct evp_pkey_st EVP_PKEY;

namespace brevant::test {

class RsaTestKey {
public:
    explicit RsaTestKey(int bits = 2048);
    ~RsaTestKey();
    RsaTestKey(const RsaTestKey&) = delete;
    RsaTestKey& operator=(const RsaTestKey&) = delete;

    /// "-----BEGIN PUBLIC KEY-----" ... with a line break at the end.
    std::string PublicPem() const;
    std::vector<std::uint8_t> PublicDer() const;
    /// padding 0: PKCS #1 v1.5; 1: OAEP with SHA-1. Throws std::runtime_error on failure.
    std::vector<std::uint8_t> Decrypt(const std::vector<std::uint8_t>& cipher, int padding) const;

private:
    EVP_PKEY* key_ = nullptr;
};

}  // namespace brevant::test
