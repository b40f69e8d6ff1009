// The handshake and authentication exchanges a real MariaDB cannot show, against
// the scripted fake server: caching_sha2 (fast and full, with a real key pair the
// server decrypts with), sha256_password, the dialog plugin, protocol
// mismatches, greetings without plugin auth, refused local-file requests.

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "FakeServer.h"
#include "RsaTestKey.h"
#include "mysql/wire/EMySqlException.h"
#include "mysql/wire/MySqlScramble.h"
#include "mysql/wire/TMySQLAPIDirect.h"
#include "mysql/wire/TMySqlSession.h"
#include "mysql/wire/TRSAKey.h"

namespace brevant {
namespace {

using test::AuthMoreData;
using test::AuthSwitch;
using test::Bytes;
using test::FakePacket;
using test::FakeServer;
using test::Greeting;
using test::OkPacket;
using test::RsaTestKey;

const Bytes kScramble = {11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23, 24, 25, 26, 27, 28, 29, 30};
const Bytes kSwitchScramble = {41, 42, 43, 44, 45, 46, 47, 48, 49, 50, 51, 52, 53, 54, 55, 56, 57, 58, 59, 60};
const std::string kPassword = "s3cret pw";

Bytes WithZero(Bytes b) {
    b.push_back(0);
    return b;
}
Bytes Text(const std::string& s) { return Bytes(s.begin(), s.end()); }
std::span<const std::uint8_t> Span(const std::string& s) {
    return {reinterpret_cast<const std::uint8_t*>(s.data()), s.size()};
}

// The parts of a 4.1 handshake response.
struct Response {
    std::uint32_t flags = 0;
    std::uint8_t charset = 0;
    std::string user;
    Bytes auth;
    std::string database, plugin;
    bool hasPlugin = false;
};

Response ParseResponse(const Bytes& p) {
    Response r;
    r.flags = p.at(0) | (p.at(1) << 8) | (p.at(2) << 16) | (static_cast<std::uint32_t>(p.at(3)) << 24);
    r.charset = p.at(8);
    std::size_t pos = 32;
    while (p.at(pos)) r.user += static_cast<char>(p[pos++]);
    ++pos;
    std::size_t n = p.at(pos++);
    r.auth.assign(p.begin() + pos, p.begin() + pos + n);
    pos += n;
    while (p.at(pos)) r.database += static_cast<char>(p[pos++]);
    ++pos;
    if (pos < p.size()) {
        r.hasPlugin = true;
        while (p.at(pos)) r.plugin += static_cast<char>(p[pos++]);
    }
    return r;
}

// Server-side checks: what the server stores is a hash of a hash of the password.
bool NativeProofOk(const Bytes& proof, const Bytes& scramble, const std::string& password) {
    auto stored = Sha1(Sha1(Span(password)));
    auto mix = Sha1(scramble, stored);
    Sha1Digest x;
    if (proof.size() != 20) return false;
    for (int i = 0; i < 20; ++i) x[i] = proof[i] ^ mix[i];
    return Sha1(x) == stored;
}

bool Sha256ProofOk(const Bytes& proof, const Bytes& scramble, const std::string& password) {
    auto stored = Sha256(Sha256(Span(password)));
    auto mix = Sha256(stored, scramble);
    Sha256Digest x;
    if (proof.size() != 32) return false;
    for (int i = 0; i < 32; ++i) x[i] = proof[i] ^ mix[i];
    return Sha256(x) == stored;
}

// What the RSA exchange carries: the password and a 0 byte, XORed with the scramble.
std::string RsaPassword(const RsaTestKey& key, const Bytes& cipher, int padding, const Bytes& scramble) {
    Bytes plain = key.Decrypt(cipher, padding);
    for (std::size_t i = 0; i < plain.size(); ++i) plain[i] ^= scramble[i % 20];
    if (plain.empty() || plain.back() != 0) return "<no terminating 0>";
    return std::string(plain.begin(), plain.end() - 1);
}

struct Client {
    TMySqlSession session;
    std::string error;
    int code = -1;

    bool Connect(FakeServer& server, const std::string& password = kPassword, const std::string& charset = "utf8") {
        session.connectTimeout = 5;
        session.charset = charset;
        try {
            session.Connect(u"127.0.0.1", u"bob", Widen(password), u"", server.Port(), u"", 0);
            return true;
        } catch (const EMySqlException& e) {
            error = e.what();
            code = e.ErrorCode();
        } catch (const Exception& e) {
            error = e.what();
        }
        return false;
    }
};

TEST(SessionFake, CachingSha2FastPath) {
    FakeServer server;
    Response response;
    server.Send(Greeting().Version("8.0.5").Scramble(kScramble).Plugin("caching_sha2_password").Payload(), 0)
        .Expect([&](const FakePacket& p) {
            EXPECT_EQ(p.sequence, 1);
            response = ParseResponse(p.payload);
        })
        .Send({0x01, 0x03}, 2)
        .Send(OkPacket().Payload(), 3);
    server.Start();
    Client c;
    EXPECT_TRUE(c.Connect(server)) << c.error;
    EXPECT_EQ(server.Finish(), "");
    EXPECT_EQ(response.user, "bob");
    EXPECT_EQ(response.plugin, "caching_sha2_password");
    EXPECT_TRUE(Sha256ProofOk(response.auth, kScramble, kPassword));
    EXPECT_EQ(c.session.status, msReady);
}

TEST(SessionFake, CachingSha2FullPathWithRsa) {
    RsaTestKey key(2048);
    struct Case {
        const char* version;
        int padding;
    } cases[] = {{"8.0.4", TRSAKey::PaddingPKCS1}, {"8.0.5", TRSAKey::PaddingOAEP}, {"8.0.36", TRSAKey::PaddingOAEP},
                 {"5.5.5-10.4.12-MariaDB", TRSAKey::PaddingOAEP}};
    for (const auto& tc : cases) {
        SCOPED_TRACE(tc.version);
        FakeServer server;
        std::string decrypted;
        server.Send(Greeting().Version(tc.version).Scramble(kScramble).Plugin("caching_sha2_password").Payload(), 0)
            .Expect()
            .Send({0x01, 0x04}, 2)  // full authentication required
            .Expect([&](const FakePacket& p) {
                EXPECT_EQ(p.sequence, 3);
                EXPECT_EQ(p.payload, Bytes{0x02});  // asks for the public key
            })
            .Send(AuthMoreData(Text(key.PublicPem())), 4)
            .Expect([&](const FakePacket& p) {
                EXPECT_EQ(p.sequence, 5);
                EXPECT_EQ(p.payload.size(), 256u);
                decrypted = RsaPassword(key, p.payload, tc.padding, kScramble);
            })
            .Send(OkPacket().Payload(), 6);
        server.Start();
        Client c;
        EXPECT_TRUE(c.Connect(server)) << c.error;
        EXPECT_EQ(server.Finish(), "");
        EXPECT_EQ(decrypted, kPassword);
    }
}

TEST(SessionFake, Sha256PasswordAsGreetingPluginAndAsSwitch) {
    RsaTestKey key(2048);
    // What the client sends for the key exchange: first its request for the
    // key, then the password encrypted with it (PKCS #1 padding).
    struct Case {
        const char* name;
        std::string password;
        std::function<void(FakeServer&, Bytes& request, std::string& decrypted)> script;
        Bytes request;
        std::string decrypted;
    } cases[] = {
        {"as the greeting's plugin", kPassword,
         [&](FakeServer& s, Bytes& request, std::string& decrypted) {
             s.Send(Greeting().Scramble(kScramble).Plugin("sha256_password").Payload(), 0)
                 .Expect([&](const FakePacket& p) { request = ParseResponse(p.payload).auth; })
                 .Send(AuthMoreData(WithZero(Text(key.PublicPem()))), 2)
                 .Expect([&](const FakePacket& p) { decrypted = RsaPassword(key, p.payload, 1, kScramble); })
                 .Send(OkPacket().Payload(), 4);
         },
         {0x01}, kPassword},
        {"as a switch", kPassword,
         [&](FakeServer& s, Bytes& request, std::string& decrypted) {
             s.Send(Greeting().Scramble(kScramble).Payload(), 0)
                 .Expect()
                 .Send(AuthSwitch("sha256_password", WithZero(kSwitchScramble)), 2)
                 .Expect([&](const FakePacket& p) { request = p.payload; })
                 .Send(AuthMoreData(Text(key.PublicPem())), 4)
                 .Expect([&](const FakePacket& p) { decrypted = RsaPassword(key, p.payload, 1, kSwitchScramble); })
                 .Send(OkPacket().Payload(), 6);
         },
         {0x01}, kPassword},
        {"empty password: a single 0 byte, no key exchange", "",
         [&](FakeServer& s, Bytes& request, std::string&) {
             s.Send(Greeting().Payload(), 0)
                 .Expect()
                 .Send(AuthSwitch("sha256_password", WithZero(kSwitchScramble)), 2)
                 .Expect([&](const FakePacket& p) { request = p.payload; })
                 .Send(OkPacket().Payload(), 4);
         },
         {0x00}, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FakeServer server;
        Bytes request;
        std::string decrypted;
        c.script(server, request, decrypted);
        server.Start();
        Client client;
        EXPECT_TRUE(client.Connect(server, c.password)) << client.error;
        EXPECT_EQ(server.Finish(), "");
        EXPECT_EQ(request, c.request);
        EXPECT_EQ(decrypted, c.decrypted);
    }
}

TEST(SessionFake, BrokenServerKeyPassesThroughAsPlainError) {
    FakeServer server;
    server.Send(Greeting().Scramble(kScramble).Plugin("sha256_password").Payload(), 0)
        .Expect()
        .Send(AuthMoreData(Text("-----BEGIN PUBLIC KEY-----\nAAAA\n-----END PUBLIC KEY-----\n")), 2)
        .Close();
    server.Start();
    Client c;
    EXPECT_FALSE(c.Connect(server));
    EXPECT_EQ(c.code, -1);  // not an EMySqlException
    EXPECT_EQ(c.error, kKeyIsBroken);
    server.Finish();
}

TEST(SessionFake, SwitchFromCachingSha2ToNative) {
    FakeServer server;
    Bytes proof;
    server.Send(Greeting().Scramble(kScramble).Plugin("caching_sha2_password").Payload(), 0)
        .Expect()
        .Send(AuthSwitch("mysql_native_password", WithZero(kSwitchScramble)), 2)
        .Expect([&](const FakePacket& p) {
            EXPECT_EQ(p.sequence, 3);
            proof = p.payload;
        })
        .Send(OkPacket().Payload(), 4);
    server.Start();
    Client c;
    EXPECT_TRUE(c.Connect(server)) << c.error;
    EXPECT_EQ(server.Finish(), "");
    EXPECT_EQ(proof.size(), 20u);  // no length prefix
    EXPECT_TRUE(NativeProofOk(proof, kSwitchScramble, kPassword));
    EXPECT_EQ(c.session.FAuthPluginName, "mysql_native_password");
}

TEST(SessionFake, SwitchToOldPasswordUsesTheNewScramble) {
    FakeServer server;
    Bytes proof;
    const Bytes newScramble(kSwitchScramble.begin(), kSwitchScramble.begin() + 8);
    server.Send(Greeting().Scramble(kScramble).Payload(), 0)
        .Expect()
        .Send(AuthSwitch("mysql_old_password", WithZero(newScramble)), 2)
        .Expect([&](const FakePacket& p) { proof = p.payload; })
        .Send(OkPacket().Payload(), 4);
    server.Start();
    Client c;
    EXPECT_TRUE(c.Connect(server)) << c.error;
    EXPECT_EQ(server.Finish(), "");
    auto expected = ScrambleOld(kPassword, kSwitchScramble);  // only its first 8 bytes count
    EXPECT_EQ(proof, Bytes(expected.begin(), expected.end()));
}

TEST(SessionFake, DialogWithAndWithoutCallback) {
    for (bool withCallback : {false, true}) {
        SCOPED_TRACE(withCallback);
        FakeServer server;
        Bytes answer1, answer2;
        Bytes question1 = {4};
        for (char ch : std::string("Password: ")) question1.push_back(static_cast<std::uint8_t>(ch));
        question1.push_back(0);
        server.Send(Greeting().Payload(), 0)
            .Expect()
            .Send(AuthSwitch("dialog", question1), 2)
            .Expect([&](const FakePacket& p) { answer1 = p.payload; })
            .Send(WithZero(Bytes{5, 'O', 'T', 'P', ':'}), 4)
            .Expect([&](const FakePacket& p) { answer2 = p.payload; })
            .Send(OkPacket().Payload(), 6);
        server.Start();
        Client c;
        std::vector<std::string> questions;
        if (withCallback)
            c.session.FOnDialogAuthPlugin = [&](const UString& q, UString& a) {
                questions.push_back(Narrow(q));
                a = questions.size() == 1 ? u"first" : u"123456";
            };
        EXPECT_TRUE(c.Connect(server)) << c.error;
        EXPECT_EQ(server.Finish(), "");
        if (withCallback) {
            EXPECT_EQ(questions, (std::vector<std::string>{"Password: ", "OTP:"}));
            EXPECT_EQ(answer1, WithZero(Text("first")));
            EXPECT_EQ(answer2, WithZero(Text("123456")));
        } else {
            EXPECT_EQ(answer1, WithZero(Text(kPassword)));
            EXPECT_EQ(answer2, WithZero(Text(kPassword)));
        }
    }
}

TEST(SessionFake, HandshakeFailures) {
    struct Case {
        const char* name;
        std::function<void(FakeServer&)> script;
        int code;
        std::string message;
    } cases[] = {
        {"protocol version 9",
         [](FakeServer& s) { s.Send(Greeting().ProtocolVersion(9).Payload(), 0); }, 2007,
         "Protocol mismatch. Server Version = 9 Client Version = 10"},
        {"greeting cut short", [](FakeServer& s) { s.Send({10, '5', 0, 1, 2}, 0); }, 2027, "Malformed packet"},
        {"error packet as greeting",
         [](FakeServer& s) { s.Send(test::ErrPacket(1040, "08004", "Too many connections"), 0); }, 1040,
         "#08004Too many connections"},
        {"unsupported plugin in a switch",
         [](FakeServer& s) { s.Send(Greeting().Payload(), 0).Expect().Send(AuthSwitch("client_ed25519", {1, 2, 0}), 2); },
         0, "Unsupported auth method: client_ed25519"},
        {"unknown packet after the response",
         [](FakeServer& s) { s.Send(Greeting().Payload(), 0).Expect().Send({0x05, 1, 2}, 2); }, 0,
         "Unknown paket type: 5"},
        {"auth more data that is no OK in the end",
         [](FakeServer& s) {
             s.Send(Greeting().Plugin("caching_sha2_password").Payload(), 0).Expect().Send({0x01, 0x07}, 2);
         },
         0, "Unknown paket type: 1"},
        {"dialog question type 2",
         [](FakeServer& s) { s.Send(Greeting().Payload(), 0).Expect().Send(AuthSwitch("dialog", {2, 'Q', 0}), 2); }, 0,
         "Authentication plugin dialog reported error: Unsupported dialog plugin question: 2"},
        {"access denied",
         [](FakeServer& s) {
             s.Send(Greeting().Payload(), 0).Expect().Send(test::ErrPacket(1045, "28000", "Access denied"), 2);
         },
         1045, "#28000Access denied"},
        {"connection closed after the greeting", [](FakeServer& s) { s.Send(Greeting().Payload(), 0).Close(); }, 2013,
         "Lost connection to MySQL server during query"},
    };
    for (const auto& tc : cases) {
        SCOPED_TRACE(tc.name);
        FakeServer server;
        tc.script(server);
        server.Start();
        Client c;
        EXPECT_FALSE(c.Connect(server));
        EXPECT_EQ(c.code, tc.code);
        EXPECT_EQ(c.error.substr(0, tc.message.size()), tc.message) << c.error;
        server.Finish();
    }
}

TEST(SessionFake, GreetingWithoutPluginAuthAndCharsets) {
    struct Case {
        const char* charset;
        std::uint8_t number;
    } cases[] = {{"utf8", 33}, {"latin1", 8}, {"", 8}};
    for (const auto& tc : cases) {
        SCOPED_TRACE(tc.charset);
        FakeServer server;
        Bytes payload;
        server.Send(Greeting().Scramble(kScramble).Capabilities(Greeting::kDefaultCapabilities & ~CLIENT_PLUGIN_AUTH)
                        .Payload(),
                    0)
            .Expect([&](const FakePacket& p) { payload = p.payload; })
            .Send(OkPacket().Payload(), 2);
        server.Start();
        Client c;
        EXPECT_TRUE(c.Connect(server, kPassword, tc.charset)) << c.error;
        EXPECT_EQ(server.Finish(), "");
        Response r = ParseResponse(payload);
        EXPECT_EQ(r.charset, tc.number);
        EXPECT_FALSE(r.hasPlugin);  // no plugin name without CLIENT_PLUGIN_AUTH
        EXPECT_EQ(c.session.FAuthPluginName, "mysql_native_password");
        EXPECT_TRUE(NativeProofOk(Bytes(r.auth.begin(), r.auth.end()), kScramble, kPassword));
        EXPECT_TRUE(r.flags & CLIENT_PLUGIN_AUTH);  // the client sets it whatever the server offers
    }
}

/// The client side of a connect in a faulty run.
test::FaultOutcome ConnectOutcome(int port, const std::string& password = kPassword) {
    Client c;
    c.session.connectTimeout = 5;
    c.session.charset = "utf8";
    test::FaultOutcome o;
    try {
        c.session.Connect(u"127.0.0.1", u"bob", Widen(password), u"", port, u"", 0);
    } catch (const EMySqlException& e) {
        o = {true, e.ErrorCode(), e.what()};
    } catch (const Exception& e) {
        o = {true, -1, e.what()};
    }
    o.transportOpen = o.failed && c.session.net.GetVio() != nullptr;
    return o;
}

/// Connect, a statement whose answer is a local-file request that is refused,
/// then a ping: the first step that does not go as in the fault-free exchange.
test::FaultOutcome LocalFileOutcome(int port) {
    TMySQLAPIDirect api;
    PMYSQL_CON con = api.mysql_init();
    api.mysql_options(con, MYSQL_OPT_CONNECT_TIMEOUT, 5);
    test::FaultOutcome o;
    auto failed = [&](std::uint32_t code) { o = {true, static_cast<int>(code), api.mysql_error(con)}; };
    if (!api.mysql_real_connect(con, u"127.0.0.1", u"bob", u"pw", u"", port, u"", 0)) {
        failed(api.mysql_errno(con));
        o.transportOpen = TMySQLAPIDirect::Session(con)->net.GetVio() != nullptr;
    } else if (api.mysql_real_query(con, "SELECT 1", 8) != 1083) {
        failed(api.mysql_errno(con));
    } else if (api.mysql_ping(con) != 0) {
        failed(api.mysql_errno(con));
    }
    api.mysql_close(con);
    return o;
}

TEST(SessionFake, EveryExchangeFailsCleanlyAtEveryStep) {
    // Each scripted exchange, with the connection closed, a packet cut short and
    // a packet out of sequence at each step in turn: the client fails with the
    // fault's code every time, never hangs, never claims success, keeps nothing open.
    RsaTestKey key(1024);
    const Bytes pem = Text(key.PublicPem());
    const std::uint32_t pre41 = 0xF7FF & ~(CLIENT_PROTOCOL_41 | CLIENT_SECURE_CONNECTION | CLIENT_PLUGIN_AUTH);
    Bytes question = {4, 'P', 'w', ':', 0};
    struct Case {
        const char* name;
        std::function<void(FakeServer&)> script;
        std::function<test::FaultOutcome(int)> client;
    } cases[] = {
        {"caching_sha2 fast",
         [&](FakeServer& s) {
             s.Send(Greeting().Version("8.0.5").Scramble(kScramble).Plugin("caching_sha2_password").Payload(), 0)
                 .Expect()
                 .Send({0x01, 0x03}, 2)
                 .Send(OkPacket().Payload(), 3);
         },
         [](int port) { return ConnectOutcome(port); }},
        {"caching_sha2 full",
         [&](FakeServer& s) {
             s.Send(Greeting().Version("8.0.5").Scramble(kScramble).Plugin("caching_sha2_password").Payload(), 0)
                 .Expect()
                 .Send({0x01, 0x04}, 2)
                 .Expect()
                 .Send(AuthMoreData(pem), 4)
                 .Expect()
                 .Send(OkPacket().Payload(), 6);
         },
         [](int port) { return ConnectOutcome(port); }},
        {"sha256",
         [&](FakeServer& s) {
             s.Send(Greeting().Scramble(kScramble).Plugin("sha256_password").Payload(), 0)
                 .Expect()
                 .Send(AuthMoreData(WithZero(pem)), 2)
                 .Expect()
                 .Send(OkPacket().Payload(), 4);
         },
         [](int port) { return ConnectOutcome(port); }},
        {"auth switch",
         [&](FakeServer& s) {
             s.Send(Greeting().Scramble(kScramble).Plugin("caching_sha2_password").Payload(), 0)
                 .Expect()
                 .Send(AuthSwitch("mysql_native_password", WithZero(kSwitchScramble)), 2)
                 .Expect()
                 .Send(OkPacket().Payload(), 4);
         },
         [](int port) { return ConnectOutcome(port); }},
        {"dialog",
         [&](FakeServer& s) {
             s.Send(Greeting().Payload(), 0)
                 .Expect()
                 .Send(AuthSwitch("dialog", question), 2)
                 .Expect()
                 .Send(question, 4)
                 .Expect()
                 .Send(OkPacket().Payload(), 6);
         },
         [](int port) { return ConnectOutcome(port); }},
        {"local file",
         [&](FakeServer& s) {
             s.Send(Greeting().Payload(), 0)
                 .Expect()
                 .Send(OkPacket().Payload(), 2)
                 .Expect()
                 .Send(Bytes{0xFB, '/', 'e', 't', 'c', '/', 'p', 'a', 's', 's', 'w', 'd'}, 1)
                 .Expect()
                 .Send(test::ErrPacket(1083, "42000", "Field separator argument is not what is expected"), 3)
                 .Expect()
                 .Send(OkPacket().Payload(), 1);
         },
         LocalFileOutcome},
        {"old protocol",
         [&](FakeServer& s) {
             s.Send(Greeting().Scramble(kScramble).Capabilities(pre41).Payload(), 0)
                 .Expect()
                 .Send(Bytes{0x00, 0x00, 0x00, 0x02, 0x00}, 2);
         },
         [](int port) { return ConnectOutcome(port); }},
    };
    for (const auto& tc : cases) {
        SCOPED_TRACE(tc.name);
        // The exchange itself succeeds: the faults are what make it fail.
        FakeServer server;
        tc.script(server);
        server.Start();
        test::FaultOutcome clean = tc.client(server.Port());
        EXPECT_FALSE(clean.failed) << clean.message;
        EXPECT_EQ(server.Finish(), "");
        test::ExpectFaultAtEveryStep(tc.script, tc.client);
    }
}

TEST(SessionFake, LocalFileRequestNotNamedByTheStatementIsRefused) {
    struct Case {
        const char* statement;
        const char* requested;
    } cases[] = {
        {"SELECT 1", "/etc/passwd"},
        {"LOAD DATA LOCAL INFILE 'data.csv' INTO TABLE t", "/etc/passwd"},
        {"LOAD DATA INFILE '/etc/passwd' INTO TABLE t", "/etc/passwd"},  // not LOCAL
    };
    for (const auto& tc : cases) {
        SCOPED_TRACE(tc.statement);
        FakeServer server;
        Bytes request{0xFB};
        for (const char* p = tc.requested; *p; ++p) request.push_back(static_cast<std::uint8_t>(*p));
        Bytes upload{0xAA};
        server.Send(Greeting().Payload(), 0)
            .Expect()
            .Send(OkPacket().Payload(), 2)
            .Expect([&](const FakePacket& p) { EXPECT_EQ(p.sequence, 0); })
            .Send(request, 1)
            .Expect([&](const FakePacket& p) {
                EXPECT_EQ(p.sequence, 2);
                upload = p.payload;
            })
            .Send(test::ErrPacket(1083, "42000", "Field separator argument is not what is expected"), 3)
            .Expect([&](const FakePacket& p) { EXPECT_EQ(p.payload, Bytes{0x0E}); })  // ping
            .Send(OkPacket().Payload(), 1);
        server.Start();
        TMySQLAPIDirect api;
        PMYSQL_CON con = api.mysql_init();
        ASSERT_NE(api.mysql_real_connect(con, u"127.0.0.1", u"bob", u"pw", u"", server.Port(), u"", 0), nullptr)
            << api.mysql_error(con);
        const std::string sql = tc.statement;
        EXPECT_NE(api.mysql_real_query(con, sql.data(), sql.size()), 0);
        EXPECT_TRUE(upload.empty()) << "file bytes were sent";
        // The server's answer to the empty packet was an error: it wins.
        EXPECT_EQ(api.mysql_errno(con), 1083u);
        EXPECT_EQ(api.mysql_ping(con), 0) << api.mysql_error(con);
        api.mysql_close(con);
        server.Finish();
    }
}

TEST(SessionFake, RefusedLocalFileAfterAnOkAnswerIsAClientError) {
    FakeServer server;
    server.Send(Greeting().Payload(), 0)
        .Expect()
        .Send(OkPacket().Payload(), 2)
        .Expect()
        .Send(Bytes{0xFB, '/', 'e', 't', 'c', '/', 's', 'h', 'a', 'd', 'o', 'w'}, 1)
        .Expect([](const FakePacket& p) { EXPECT_TRUE(p.payload.empty()); })
        .Send(OkPacket().Payload(), 3);
    server.Start();
    TMySQLAPIDirect api;
    PMYSQL_CON con = api.mysql_init();
    ASSERT_NE(api.mysql_real_connect(con, u"127.0.0.1", u"bob", u"pw", u"", server.Port(), u"", 0), nullptr);
    EXPECT_EQ(api.mysql_real_query(con, "SELECT 1", 8), CR_LOAD_DATA_LOCAL_INFILE_REJECTED);
    EXPECT_FALSE(api.mysql_isservererror(con));
    EXPECT_NE(api.mysql_error(con).find("'/etc/shadow'"), std::string::npos) << api.mysql_error(con);
    api.mysql_close(con);
    server.Finish();
}

}  // namespace
}  // namespace brevant

namespace brevant {
namespace {

TEST(SessionFake, Pre41ServerGetsTheOldResponse) {
    // A server without CLIENT_PROTOCOL_41 and CLIENT_SECURE_CONNECTION: 2 bytes of
    // flags, 3 bytes of max packet size, the user and the 9-byte old scramble.
    const std::uint32_t caps = 0xF7FF & ~(CLIENT_PROTOCOL_41 | CLIENT_SECURE_CONNECTION | CLIENT_PLUGIN_AUTH);
    FakeServer server;
    Bytes payload;
    server.Send(Greeting().Scramble(kScramble).Capabilities(caps).Payload(), 0)
        .Expect([&](const FakePacket& p) { payload = p.payload; })
        .Send(Bytes{0x00, 0x00, 0x00, 0x02, 0x00}, 2);
    server.Start();
    Client c;
    EXPECT_TRUE(c.Connect(server)) << c.error;
    EXPECT_EQ(server.Finish(), "");
    auto old = ScrambleOld(kPassword, kScramble);
    Bytes expected = {static_cast<std::uint8_t>(c.session.FClientFlag),
                      static_cast<std::uint8_t>(c.session.FClientFlag >> 8), 0, 0, 0, 'b', 'o', 'b', 0};
    expected.insert(expected.end(), old.begin(), old.end());
    expected.push_back(0);  // the (empty) database: the server has CLIENT_CONNECT_WITH_DB
    EXPECT_EQ(payload, expected);
    EXPECT_FALSE(c.session.IsProtocol41());
}

TEST(SessionFake, CloseSendsQuitOnce) {
    FakeServer server;
    std::vector<Bytes> received;
    server.Send(Greeting().Payload(), 0)
        .Expect()
        .Send(OkPacket().Payload(), 2)
        .Do([&](test::FakeConnection& conn) {
            // Everything the client sends until it closes the connection.
            try {
                for (;;) received.push_back(conn.Read().payload);
            } catch (const std::exception&) {
            }
        });
    server.Start();
    {
        TMySQLAPIDirect api;
        PMYSQL_CON con = api.mysql_init();
        ASSERT_NE(api.mysql_real_connect(con, u"127.0.0.1", u"bob", u"", u"", server.Port(), u"", 0), nullptr);
        TMySQLAPIDirect::Session(con)->Close();
        api.mysql_close(con);  // closes again, then frees
    }
    EXPECT_EQ(server.Finish(), "");
    EXPECT_EQ(received, (std::vector<Bytes>{{0x01}}));
}

}  // namespace
}  // namespace brevant
