// Handshake pieces that need no connection: plugin kinds, capability flags, the
// greeting parser, the response layout, version decoding.

#include <gtest/gtest.h>

#include "FakeServer.h"
#include "mysql/wire/MySqlHandshake.h"
#include "mysql/wire/MySqlScramble.h"

namespace brevant {
namespace {

using test::Bytes;
using test::Greeting;

TEST(MySqlHandshake, PluginKindsFirstMatchWins) {
    struct Case {
        const char* name;
        TMyPluginType type;
    } cases[] = {
        {"mysql_native_password", plNative},
        {"MYSQL_NATIVE_PASSWORD", plNative},
        {"mysql_old_password", plOldPasword},
        {"sha256_password", plSha2_256},
        {"caching_sha2_password", plCachingSha2},
        {"authentication_windows_client", plWindows},
        {"auth_gssapi_client", plGSSAPI},
        {"dialog", plDialog},
        {"client_ed25519", plOther},
        {"", plOther},
        {"old_native", plNative},  // "native" is tested before "old"
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(GetPluginType(c.name), c.type);
    }
}

TEST(MySqlHandshake, ClientFlags) {
    const std::uint32_t all = 0xFFFFFFFF;
    struct Case {
        const char* name;
        std::uint32_t session, caller, server;
        int protocol;
        std::uint32_t expected;
    } cases[] = {
        {"base flags, plugin auth and db always", 0, 0, all, MYSQL_PROTOCOL_DEFAULT,
         0x3A285 | CLIENT_PLUGIN_AUTH | CLIENT_CONNECT_WITH_DB},
        {"caller flags kept", 0, CLIENT_FOUND_ROWS | CLIENT_INTERACTIVE | CLIENT_COMPRESS, all, MYSQL_PROTOCOL_TCP,
         0x3A285 | 0x80008 | CLIENT_FOUND_ROWS | CLIENT_INTERACTIVE | CLIENT_COMPRESS},
        {"compression dropped when not offered", 0, CLIENT_COMPRESS, all & ~CLIENT_COMPRESS, MYSQL_PROTOCOL_TCP,
         0x3A285 | 0x80008},
        {"pre-4.1 server", 0, 0, 0xF7FF & ~CLIENT_PROTOCOL_41, MYSQL_PROTOCOL_TCP,
         (0x3A285 | 0x80008) & ~CLIENT_PROTOCOL_41},
        {"SSL asked and offered", 0, 0, all, MYSQL_PROTOCOL_SSL, 0x3A285 | 0x80008 | CLIENT_SSL},
        {"SSL asked, not offered", 0, 0, all & ~CLIENT_SSL, MYSQL_PROTOCOL_SSL, 0x3A285 | 0x80008},
        {"SSL flag from the session", CLIENT_SSL, 0, all, MYSQL_PROTOCOL_TCP, 0x3A285 | 0x80008 | CLIENT_SSL},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(ComputeClientFlags(c.session, c.caller, c.server, c.protocol), c.expected);
    }
}

TEST(MySqlHandshake, CharsetNumber) {
    EXPECT_EQ(HandshakeCharsetNumber("utf8"), 33);
    EXPECT_EQ(HandshakeCharsetNumber("latin1"), 8);
    EXPECT_EQ(HandshakeCharsetNumber(""), 8);
    EXPECT_EQ(HandshakeCharsetNumber("utf8mb4"), 8);
    EXPECT_EQ(HandshakeCharsetNumber("UTF8"), 8);
}

TEST(MySqlHandshake, ParsesAFullGreeting) {
    Bytes scramble;
    for (int i = 0; i < 20; ++i) scramble.push_back(static_cast<std::uint8_t>(0xA0 + i));
    auto payload = Greeting().Version("8.0.5-fake").ThreadId(0x01020304).Scramble(scramble).Charset(45).Status(0x8002)
                       .Plugin("caching_sha2_password").Payload();
    TMySqlGreeting g;
    ASSERT_EQ(ParseGreeting(payload, g), GreetingResult::Ok);
    EXPECT_EQ(g.serverVersion, "8.0.5-fake");
    EXPECT_EQ(g.threadId, 0x01020304u);
    EXPECT_TRUE(std::equal(scramble.begin(), scramble.end(), g.scramble));
    EXPECT_EQ(g.serverCapabilities, Greeting::kDefaultCapabilities);
    EXPECT_EQ(g.serverLanguage, 45);
    EXPECT_EQ(g.serverStatus, 0xFFFF8002u);  // 16-bit status, sign-extended
    EXPECT_EQ(g.authPluginName, "caching_sha2_password");
}

TEST(MySqlHandshake, GreetingWithoutPluginAuthMeansNativePassword) {
    auto payload = Greeting().Capabilities(Greeting::kDefaultCapabilities & ~CLIENT_PLUGIN_AUTH).Payload();
    TMySqlGreeting g;
    ASSERT_EQ(ParseGreeting(payload, g), GreetingResult::Ok);
    EXPECT_EQ(g.authPluginName, "mysql_native_password");
    EXPECT_EQ(g.scramble[19], 20);
}

TEST(MySqlHandshake, GreetingEdgeCases) {
    auto full = Greeting().Payload();
    const std::size_t versionEnd = 1 + std::string("8.0.5-fake").size() + 1;
    struct Case {
        const char* name;
        Bytes payload;
        GreetingResult result;
    } cases[] = {
        {"protocol 9 stops at the first byte", Greeting().ProtocolVersion(9).Payload(), GreetingResult::WrongProtocol},
        {"only protocol 9", Bytes{9}, GreetingResult::WrongProtocol},
        {"empty", Bytes{}, GreetingResult::Malformed},
        {"cut in the thread id", Bytes(full.begin(), full.begin() + versionEnd + 2), GreetingResult::Malformed},
        {"cut in scramble part 1", Bytes(full.begin(), full.begin() + versionEnd + 4 + 5), GreetingResult::Malformed},
        {"old server: scramble part 1 and the flags only",
         Bytes(full.begin(), full.begin() + versionEnd + 4 + 8 + 3), GreetingResult::Ok},
        {"cut in the reserved bytes", Bytes(full.begin(), full.begin() + versionEnd + 4 + 8 + 18),
         GreetingResult::Ok},
        {"cut in scramble part 2", Bytes(full.begin(), full.begin() + versionEnd + 4 + 8 + 19 + 5),
         GreetingResult::Ok},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TMySqlGreeting g;
        EXPECT_EQ(ParseGreeting(c.payload, g), c.result);
        if (c.result == GreetingResult::Ok) {
            EXPECT_EQ(g.authPluginName, "");
        }
    }
}

TEST(MySqlHandshake, OversizedScramblePart2IsCut) {
    // A server announcing 40 bytes of plugin data: 12 are kept, the rest skipped,
    // and the plugin name behind them is still found.
    Bytes b = {10, 'v', 0, 1, 0, 0, 0, 1, 2, 3, 4, 5, 6, 7, 8, 0};
    const std::uint32_t caps = Greeting::kDefaultCapabilities;
    b.insert(b.end(), {static_cast<std::uint8_t>(caps), static_cast<std::uint8_t>(caps >> 8), 33, 2, 0,
                       static_cast<std::uint8_t>(caps >> 16), static_cast<std::uint8_t>(caps >> 24), 40});
    b.insert(b.end(), 10, 0);
    for (int i = 0; i < 31; ++i) b.push_back(static_cast<std::uint8_t>(100 + i));
    b.push_back(0);
    for (char c : std::string("dialog")) b.push_back(static_cast<std::uint8_t>(c));
    b.push_back(0);
    TMySqlGreeting g;
    ASSERT_EQ(ParseGreeting(b, g), GreetingResult::Ok);
    EXPECT_EQ(g.scramble[8], 100);
    EXPECT_EQ(g.scramble[19], 111);
    EXPECT_EQ(g.authPluginName, "dialog");
}

TEST(MySqlHandshake, FirstAuthData) {
    const std::uint8_t scramble[20] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20};
    auto native = ScrambleNative("pw", scramble);
    auto sha = ScrambleSha256("pw", scramble);
    auto old = ScrambleOld("pw", scramble);
    auto withLength = [](std::uint8_t n, auto bytes) {
        Bytes b{n};
        b.insert(b.end(), bytes.begin(), bytes.end());
        return b;
    };
    struct Case {
        const char* name;
        TMyPluginType plugin;
        const char* password;
        bool secure, encrypted;
        Bytes expected;
    } cases[] = {
        {"empty password", plNative, "", true, false, {0}},
        {"empty password, caching_sha2", plCachingSha2, "", true, false, {0}},
        {"native", plNative, "pw", true, false, withLength(20, native)},
        {"caching_sha2", plCachingSha2, "pw", true, false, withLength(32, sha)},
        {"old", plOldPasword, "pw", true, false, withLength(8, old)},
        {"sha256 over plain TCP asks for the key", plSha2_256, "pw", true, false, {1, 1}},
        {"sha256 over an encrypted channel", plSha2_256, "pw", true, true, {3, 'p', 'w', 0}},
        {"other plugin", plDialog, "pw", true, false, {'x', 'x', 'x', 'x', 'x', 'x', 'x', 'x', 0}},
        {"server without secure connection", plNative, "pw", false, false, Bytes(old.begin(), old.end())},
        {"server without secure connection, no password", plNative, "", false, false, {0}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(FirstAuthData(c.plugin, c.password, scramble, c.secure, c.encrypted), c.expected);
    }
    EXPECT_EQ(old[8], 0);
}

TEST(MySqlHandshake, ResponseLayouts) {
    THandshakeResponse r;
    r.clientFlag = ComputeClientFlags(0, 0, Greeting::kDefaultCapabilities, MYSQL_PROTOCOL_TCP);
    r.serverCapabilities = Greeting::kDefaultCapabilities;
    r.charsetNr = 33;
    r.user = "bob";
    r.authData = {0};
    r.database = "";
    r.pluginName = "mysql_native_password";
    Bytes b = BuildHandshakeResponse(r);
    ASSERT_GE(b.size(), 32u);
    EXPECT_EQ(b[0] | (b[1] << 8) | (b[2] << 16) | (static_cast<std::uint32_t>(b[3]) << 24), r.clientFlag);
    EXPECT_EQ(b[7], 0x40);  // MAX_ALLOWED_PACKET
    EXPECT_EQ(b[8], 33);
    Bytes tail(b.begin() + 32, b.end());
    Bytes expectedTail = {'b', 'o', 'b', 0, 0, /* database */ 0};
    for (char c : std::string("mysql_native_password")) expectedTail.push_back(static_cast<std::uint8_t>(c));
    expectedTail.push_back(0);
    EXPECT_EQ(tail, expectedTail);

    // Without CLIENT_CONNECT_WITH_DB and CLIENT_PLUGIN_AUTH on the server: no database, no plugin.
    r.serverCapabilities = Greeting::kDefaultCapabilities & ~(CLIENT_CONNECT_WITH_DB | CLIENT_PLUGIN_AUTH);
    r.database = "sakila";
    b = BuildHandshakeResponse(r);
    EXPECT_EQ(Bytes(b.begin() + 32, b.end()), (Bytes{'b', 'o', 'b', 0, 0}));

    // Pre-4.1 form: 2 bytes of flags, 3 bytes of max packet size (0).
    r.clientFlag &= ~CLIENT_PROTOCOL_41;
    b = BuildHandshakeResponse(r);
    EXPECT_EQ(Bytes(b.begin(), b.begin() + 10),
              (Bytes{static_cast<std::uint8_t>(r.clientFlag), static_cast<std::uint8_t>(r.clientFlag >> 8), 0, 0, 0,
                     'b', 'o', 'b', 0, 0}));
}

TEST(MySqlHandshake, DecodeVersion) {
    struct Case {
        const char* text;
        int major, minor, release;
        bool mariadb;
    } cases[] = {
        {"5.5.5-10.4.12-MariaDB", 10, 4, 12, true},
        {"10.11.6-MariaDB-0+deb12u1", 10, 11, 6, true},
        {"8.0.5-fake", 8, 0, 5, false},
        {"8.0.4", 8, 0, 4, false},
        {"5.5.5", 5, 5, 5, false},  // no digit after the prefix: kept
        {"", 0, 0, 0, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        int major = -1, minor = -1, release = -1;
        bool mariadb = !c.mariadb;
        DecodeVersion(c.text, major, minor, release, mariadb);
        EXPECT_EQ(major, c.major);
        EXPECT_EQ(minor, c.minor);
        EXPECT_EQ(release, c.release);
        EXPECT_EQ(mariadb, c.mariadb);
    }
}

}  // namespace
}  // namespace brevant
