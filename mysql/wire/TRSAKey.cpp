#include "mysql/wire/TRSAKey.h"

#include <openssl/bn.h>
#include <openssl/core_names.h>
#include <openssl/evp.h>
#include <openssl/param_build.h>
#include <openssl/rsa.h>

#include <memory>
#include <string>

namespace brevant {

namespace {

constexpr std::string_view kBeginMarker = "-----BEGIN PUBLIC KEY-----";
constexpr std::string_view kEndMarker = "-----END PUBLIC KEY-----";

// AlgorithmIdentifier { rsaEncryption, NULL }.
constexpr std::uint8_t kRsaAlgorithm[15] = {0x30, 0x0D, 0x06, 0x09, 0x2A, 0x86, 0x48, 0x86,
                                            0xF7, 0x0D, 0x01, 0x01, 0x01, 0x05, 0x00};

[[noreturn]] void Broken() { throw ERSAKeyError(std::string_view(kKeyIsBroken)); }

std::string_view TrimBlank(std::string_view s) {
    while (!s.empty() && static_cast<unsigned char>(s.front()) <= ' ') s.remove_prefix(1);
    while (!s.empty() && static_cast<unsigned char>(s.back()) <= ' ') s.remove_suffix(1);
    return s;
}

int Base64Value(char c) {
    if (c >= 'A' && c <= 'Z') return c - 'A';
    if (c >= 'a' && c <= 'z') return c - 'a' + 26;
    if (c >= '0' && c <= '9') return c - '0' + 52;
    if (c == '+') return 62;
    if (c == '/') return 63;
    return -1;
}

std::vector<std::uint8_t> Base64Decode(std::string_view text) {
    std::vector<std::uint8_t> out;
    out.reserve(text.size() / 4 * 3);
    std::uint32_t acc = 0;
    int bits = 0;
    std::size_t i = 0;
    for (; i < text.size() && text[i] != '='; ++i) {
        int v = Base64Value(text[i]);
        if (v < 0) Broken();
        acc = (acc << 6) | static_cast<std::uint32_t>(v);
        bits += 6;
        if (bits >= 8) {
            bits -= 8;
            out.push_back(static_cast<std::uint8_t>(acc >> bits));
        }
    }
    for (; i < text.size(); ++i)
        if (text[i] != '=') Broken();
    return out;
}

// Sequential reader over the DER bytes; running off the end has its own text.
class DerReader {
public:
    explicit DerReader(std::span<const std::uint8_t> data) : data_(data) {}
    std::uint8_t Byte() {
        if (pos_ >= data_.size()) throw ERSAKeyError(std::string_view(kUnexpectedEndOfData));
        return data_[pos_++];
    }
    std::uint8_t Peek() {
        if (pos_ >= data_.size()) throw ERSAKeyError(std::string_view(kUnexpectedEndOfData));
        return data_[pos_];
    }
    std::span<const std::uint8_t> Bytes(std::size_t n) {
        if (n > data_.size() - pos_) throw ERSAKeyError(std::string_view(kUnexpectedEndOfData));
        auto s = data_.subspan(pos_, n);
        pos_ += n;
        return s;
    }
    // A length in the 0x81 nn or 0x82 nn nn form; a short form when allowed.
    std::size_t Length(bool shortFormAllowed) {
        std::uint8_t b = Byte();
        if (b == 0x81) return Byte();
        if (b == 0x82) {
            std::size_t hi = Byte();
            return (hi << 8) | Byte();
        }
        if (shortFormAllowed && b < 0x80) return b;
        Broken();
    }
    void Tag(std::uint8_t expected) {
        if (Byte() != expected) Broken();
    }
    std::vector<std::uint8_t> Integer() {
        Tag(0x02);
        std::size_t len = Length(true);
        while (len > 0 && Peek() == 0) {
            Byte();
            --len;
        }
        auto bytes = Bytes(len);
        return {bytes.begin(), bytes.end()};
    }

private:
    std::span<const std::uint8_t> data_;
    std::size_t pos_ = 0;
};

struct BnFree {
    void operator()(BIGNUM* b) const { BN_free(b); }
};
struct ParamBldFree {
    void operator()(OSSL_PARAM_BLD* b) const { OSSL_PARAM_BLD_free(b); }
};
struct ParamFree {
    void operator()(OSSL_PARAM* p) const { OSSL_PARAM_free(p); }
};
struct CtxFree {
    void operator()(EVP_PKEY_CTX* c) const { EVP_PKEY_CTX_free(c); }
};

EVP_PKEY* MakeKey(const std::vector<std::uint8_t>& n, const std::vector<std::uint8_t>& e) {
    std::unique_ptr<BIGNUM, BnFree> bn(BN_bin2bn(n.data(), static_cast<int>(n.size()), nullptr));
    std::unique_ptr<BIGNUM, BnFree> be(BN_bin2bn(e.data(), static_cast<int>(e.size()), nullptr));
    std::unique_ptr<OSSL_PARAM_BLD, ParamBldFree> bld(OSSL_PARAM_BLD_new());
    if (!bn || !be || !bld) return nullptr;
    if (!OSSL_PARAM_BLD_push_BN(bld.get(), OSSL_PKEY_PARAM_RSA_N, bn.get()) ||
        !OSSL_PARAM_BLD_push_BN(bld.get(), OSSL_PKEY_PARAM_RSA_E, be.get()))
        return nullptr;
    std::unique_ptr<OSSL_PARAM, ParamFree> params(OSSL_PARAM_BLD_to_param(bld.get()));
    std::unique_ptr<EVP_PKEY_CTX, CtxFree> ctx(EVP_PKEY_CTX_new_from_name(nullptr, "RSA", nullptr));
    if (!params || !ctx || EVP_PKEY_fromdata_init(ctx.get()) <= 0) return nullptr;
    EVP_PKEY* key = nullptr;
    if (EVP_PKEY_fromdata(ctx.get(), &key, EVP_PKEY_PUBLIC_KEY, params.get()) <= 0) return nullptr;
    return key;
}

}  // namespace

TRSAKey::~TRSAKey() { Reset(); }

void TRSAKey::Reset() {
    if (key_) EVP_PKEY_free(key_);
    key_ = nullptr;
    modulus_.clear();
    exponent_.clear();
}

void TRSAKey::ImportPem(std::string_view pem) {
    // Lines between the markers are trimmed and joined; blank lines after the end
    // marker (the server ends its text with a line break) are not part of the block.
    std::vector<std::string_view> lines;
    for (std::size_t start = 0; start <= pem.size();) {
        std::size_t end = pem.find('\n', start);
        if (end == std::string_view::npos) end = pem.size();
        lines.push_back(TrimBlank(pem.substr(start, end - start)));
        start = end + 1;
    }
    while (!lines.empty() && lines.back().empty()) lines.pop_back();
    if (lines.size() < 2 || lines.front() != kBeginMarker || lines.back() != kEndMarker) Broken();
    std::string body;
    for (std::size_t i = 1; i + 1 < lines.size(); ++i) body += lines[i];
    auto der = Base64Decode(body);
    ImportDer(der);
}

void TRSAKey::ImportDer(std::span<const std::uint8_t> der) {
    Reset();
    DerReader r(der);
    r.Tag(0x30);
    r.Length(false);
    auto algorithm = r.Bytes(sizeof kRsaAlgorithm);
    if (!std::equal(algorithm.begin(), algorithm.end(), kRsaAlgorithm)) Broken();
    r.Tag(0x03);
    r.Length(false);
    while (r.Peek() == 0) r.Byte();  // unused-bits count
    r.Tag(0x30);
    r.Length(false);
    auto modulus = r.Integer();
    auto exponent = r.Integer();
    if (modulus.empty() || exponent.empty()) Broken();
    EVP_PKEY* key = MakeKey(modulus, exponent);
    if (!key) Broken();
    key_ = key;
    modulus_ = std::move(modulus);
    exponent_ = std::move(exponent);
}

std::vector<std::uint8_t> TRSAKey::Encrypt(std::span<const std::uint8_t> message, int padding) const {
    if (!key_) Broken();
    const std::size_t k = modulus_.size();
    std::size_t overhead;
    int mode;
    if (padding == PaddingOAEP) {
        overhead = 42;  // 2 * SHA-1 length + 2
        mode = RSA_PKCS1_OAEP_PADDING;
    } else if (padding == PaddingPKCS1) {
        overhead = 11;
        mode = RSA_PKCS1_PADDING;
    } else {
        throw ERSAKeyError(std::string_view(kInvalidInputArguments));
    }
    if (k < overhead || message.size() > k - overhead) throw ERSAKeyError(std::string_view(kMessageTooLong));

    std::unique_ptr<EVP_PKEY_CTX, CtxFree> ctx(EVP_PKEY_CTX_new_from_pkey(nullptr, key_, nullptr));
    if (!ctx || EVP_PKEY_encrypt_init(ctx.get()) <= 0 || EVP_PKEY_CTX_set_rsa_padding(ctx.get(), mode) <= 0)
        Broken();
    if (mode == RSA_PKCS1_OAEP_PADDING &&
        (EVP_PKEY_CTX_set_rsa_oaep_md(ctx.get(), EVP_sha1()) <= 0 ||
         EVP_PKEY_CTX_set_rsa_mgf1_md(ctx.get(), EVP_sha1()) <= 0))
        Broken();
    std::size_t outLen = 0;
    if (EVP_PKEY_encrypt(ctx.get(), nullptr, &outLen, message.data(), message.size()) <= 0) Broken();
    std::vector<std::uint8_t> out(outLen);
    if (EVP_PKEY_encrypt(ctx.get(), out.data(), &outLen, message.data(), message.size()) <= 0) Broken();
    out.resize(outLen);
    if (out.size() < k) out.insert(out.begin(), k - out.size(), 0);
    return out;
}

}  // namespace brevant
