#include "RsaTestKey.h"

#include <openssl/bio.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/rsa.h>
#include <openssl/x509.h>

#include <stdexcept>

namespace brevant::test {

RsaTestKey::RsaTestKey(int bits) {
    key_ = EVP_RSA_gen(static_cast<unsigned>(bits));
    if (!key_) throw std::runtime_error("RSA key generation failed");
}

RsaTestKey::~RsaTestKey() { EVP_PKEY_free(key_); }

std::string RsaTestKey::PublicPem() const {
    BIO* bio = BIO_new(BIO_s_mem());
    PEM_write_bio_PUBKEY(bio, key_);
    char* data = nullptr;
    long n = BIO_get_mem_data(bio, &data);
    std::string pem(data, static_cast<std::size_t>(n));
    BIO_free(bio);
    return pem;
}

std::vector<std::uint8_t> RsaTestKey::PublicDer() const {
    unsigned char* der = nullptr;
    int n = i2d_PUBKEY(key_, &der);
    if (n <= 0) throw std::runtime_error("i2d_PUBKEY failed");
    std::vector<std::uint8_t> out(der, der + n);
    OPENSSL_free(der);
    return out;
}

std::vector<std::uint8_t> RsaTestKey::Decrypt(const std::vector<std::uint8_t>& cipher, int padding) const {
    EVP_PKEY_CTX* ctx = EVP_PKEY_CTX_new(key_, nullptr);
    bool ok = ctx && EVP_PKEY_decrypt_init(ctx) > 0 &&
              EVP_PKEY_CTX_set_rsa_padding(ctx, padding == 1 ? RSA_PKCS1_OAEP_PADDING : RSA_PKCS1_PADDING) > 0;
    if (ok && padding == 1)
        ok = EVP_PKEY_CTX_set_rsa_oaep_md(ctx, EVP_sha1()) > 0 && EVP_PKEY_CTX_set_rsa_mgf1_md(ctx, EVP_sha1()) > 0;
    std::size_t n = cipher.size();
    std::vector<std::uint8_t> out(n);
    ok = ok && EVP_PKEY_decrypt(ctx, out.data(), &n, cipher.data(), cipher.size()) > 0;
    EVP_PKEY_CTX_free(ctx);
    if (!ok) throw std::runtime_error("RSA decryption failed");
    out.resize(n);
    return out;
}

}  // namespace brevant::test
