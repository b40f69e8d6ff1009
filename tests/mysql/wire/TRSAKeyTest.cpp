// The RSA public key: PEM/DER import with its fixed error texts, and encryption
// checked by decrypting with the private half of a key pair made by OpenSSL.

#include <gtest/gtest.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/rsa.h>

#include <functional>
#include <string>
#include <vector>

#include "ExpectRaises.h"
#include "RsaTestKey.h"
#include "mysql/wire/TRSAKey.h"

namespace brevant {
namespace {

using test::ExpectRaises;
using test::kAnyCode;

using test::RsaTestKey;

std::vector<std::uint8_t> Message(std::size_t n) {
    std::vector<std::uint8_t> m(n);
    for (std::size_t i = 0; i < n; ++i) m[i] = static_cast<std::uint8_t>(i * 7 + 1);
    return m;
}

TEST(TRSAKey, EncryptsSoThatThePrivateKeyRecoversTheMessage) {
    for (int bits : {1024, 2048}) {
        RsaTestKey pair(bits);
        TRSAKey key;
        key.ImportPem(pair.PublicPem());
        ASSERT_EQ(key.ModulusBytes(), static_cast<std::size_t>(bits / 8));
        EXPECT_EQ(key.Exponent(), (std::vector<std::uint8_t>{0x01, 0x00, 0x01}));
        for (int padding : {TRSAKey::PaddingPKCS1, TRSAKey::PaddingOAEP}) {
            SCOPED_TRACE(testing::Message() << bits << " bits, padding " << padding);
            const std::size_t longest = key.ModulusBytes() - (padding == TRSAKey::PaddingOAEP ? 42 : 11);
            for (std::size_t n : {std::size_t{0}, std::size_t{1}, std::size_t{21}, longest}) {
                auto message = Message(n);
                auto cipher = key.Encrypt(message, padding);
                EXPECT_EQ(cipher.size(), key.ModulusBytes());
                EXPECT_EQ(pair.Decrypt(cipher, padding), message);
            }
            // Random padding: the same message never encrypts the same way twice.
            EXPECT_NE(key.Encrypt(Message(10), padding), key.Encrypt(Message(10), padding));
            ExpectRaises<ERSAKeyError>([&] { key.Encrypt(Message(longest + 1), padding); }, kAnyCode,
                                       Widen(kMessageTooLong));
        }
        ExpectRaises<ERSAKeyError>([&] { key.Encrypt(Message(4), 2); }, kAnyCode, Widen(kInvalidInputArguments));
    }
}

TEST(TRSAKey, ImportAcceptsTheServersLineLayout) {
    RsaTestKey pair(2048);
    std::string pem = pair.PublicPem();
    // CR LF line ends and blanks around the lines, as a server on another platform may send.
    std::string crlf;
    for (char c : pem) {
        if (c == '\n') crlf += "  \r\n";
        else crlf += c;
    }
    TRSAKey key;
    EXPECT_NO_THROW(key.ImportPem(crlf));
    EXPECT_EQ(key.ModulusBytes(), 256u);
}

TEST(TRSAKey, BrokenKeysGiveTheirTexts) {
    RsaTestKey pair(2048);
    const std::string pem = pair.PublicPem();
    const std::vector<std::uint8_t> der = pair.PublicDer();

    struct Case {
        const char* name;
        std::function<void(TRSAKey&)> run;
        const char* text;
    };
    std::vector<std::uint8_t> wrongAlgorithm = der;
    wrongAlgorithm[3 + 12] ^= 0x01;  // last OID byte: no longer rsaEncryption
    std::vector<std::uint8_t> shortHeader = der;
    shortHeader[1] = 0x20;  // SEQUENCE length in the short form
    const Case cases[] = {
        {"empty text", [&](TRSAKey& k) { k.ImportPem(""); }, kKeyIsBroken},
        {"no begin marker", [&](TRSAKey& k) { k.ImportPem(pem.substr(pem.find('\n') + 1)); }, kKeyIsBroken},
        {"private key marker",
         [&](TRSAKey& k) { k.ImportPem("-----BEGIN RSA PUBLIC KEY-----\nAAAA\n-----END RSA PUBLIC KEY-----\n"); },
         kKeyIsBroken},
        {"bad base64", [&](TRSAKey& k) { k.ImportPem("-----BEGIN PUBLIC KEY-----\nMI*A\n-----END PUBLIC KEY-----"); },
         kKeyIsBroken},
        {"wrong algorithm", [&](TRSAKey& k) { k.ImportDer(wrongAlgorithm); }, kKeyIsBroken},
        {"short-form outer length", [&](TRSAKey& k) { k.ImportDer(shortHeader); }, kKeyIsBroken},
        {"empty DER", [&](TRSAKey& k) { k.ImportDer({}); }, kUnexpectedEndOfData},
        {"cut in the modulus",
         [&](TRSAKey& k) { k.ImportDer(std::span(der).first(100)); }, kUnexpectedEndOfData},
        {"cut before the exponent",
         [&](TRSAKey& k) { k.ImportDer(std::span(der).first(der.size() - 5)); }, kUnexpectedEndOfData},
        {"no key loaded", [&](TRSAKey& k) { k.Encrypt(Message(3), TRSAKey::PaddingOAEP); }, kKeyIsBroken},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TRSAKey key;
        ExpectRaises<ERSAKeyError>([&] { c.run(key); }, kAnyCode, Widen(c.text));
        EXPECT_FALSE(key.Loaded());
    }
}

}  // namespace
}  // namespace brevant
