#pragma once
// A scripted MySQL server on 127.0.0.1 for what a real MariaDB cannot show:
// caching_sha2 and sha256 RSA exchanges, the dialog plugin, protocol mismatches
// and broken or out-of-order packets. The script is a list of steps run in order
// on the first accepted connection, on a thread of its own:
//
//   FakeServer server;
//   server.Send(Greeting().Version("8.0.5").Plugin("caching_sha2_password").Packet(), 0)
//         .Expect([&](const FakePacket& p) { response = p; })   // handshake response
//         .Send({0x01, 0x03}, 2)                                  // fast auth success
//         .Send(OkPacket().Payload(), 3);
//   server.Start();
//   ... connect the client to server.Port() ...
//   EXPECT_EQ(server.Finish(), "");   // empty when every step ran as scripted
//
// FailAt(n) closes the connection instead of running step n, for "error at
// step N" loops.

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace brevant::test {

using Bytes = std::vector<std::uint8_t>;

struct FakePacket {
    std::uint8_t sequence = 0;
    Bytes payload;
};

/// The server's side of one accepted connection, for custom steps.
class FakeConnection {
public:
    explicit FakeConnection(int fd) : fd_(fd) {}
    /// Reads one plain (uncompressed) packet; throws std::runtime_error on EOF.
    FakePacket Read();
    void Write(const Bytes& payload, std::uint8_t sequence);
    void WriteRaw(const Bytes& bytes);
    void Close();

private:
    int fd_;
};

class FakeServer {
public:
    using Step = std::function<void(FakeConnection&)>;

    FakeServer();
    ~FakeServer();
    FakeServer(const FakeServer&) = delete;
    FakeServer& operator=(const FakeServer&) = delete;

    int Port() const { return port_; }

    FakeServer& Send(Bytes payload, std::uint8_t sequence);
    FakeServer& SendRaw(Bytes bytes);
    /// Reads one packet and hands it to `check` (which may record it or throw).
    FakeServer& Expect(std::function<void(const FakePacket&)> check = {});
    /// Reads one packet and answers with the packets `reply` returns.
    FakeServer& Reply(std::function<std::vector<FakePacket>(const FakePacket&)> reply);
    FakeServer& Close();
    FakeServer& Do(Step step);
    FakeServer& FailAt(std::size_t step);

    std::size_t StepCount() const { return steps_.size(); }

    void Start();
    /// Waits for the script to end (the client must have closed or the script
    /// ended) and returns "" or the first failure.
    std::string Finish();

private:
    void Run();

    int listenFd_ = -1;
    int port_ = 0;
    std::vector<Step> steps_;
    std::size_t failAt_ = static_cast<std::size_t>(-1);
    std::thread thread_;
    std::string error_;
    std::atomic<bool> started_{false};
};

/// Builders for the packets a test script sends.
class Greeting {
public:
    Greeting& ProtocolVersion(std::uint8_t v) { protocol_ = v; return *this; }
    Greeting& Version(std::string v) { version_ = std::move(v); return *this; }
    Greeting& ThreadId(std::uint32_t v) { threadId_ = v; return *this; }
    /// 20 bytes of scramble (8 + 12).
    Greeting& Scramble(Bytes v) { scramble_ = std::move(v); return *this; }
    Greeting& Capabilities(std::uint32_t v) { capabilities_ = v; return *this; }
    Greeting& Charset(std::uint8_t v) { charset_ = v; return *this; }
    Greeting& Status(std::uint16_t v) { status_ = v; return *this; }
    Greeting& Plugin(std::string v) { plugin_ = std::move(v); return *this; }
    Bytes Payload() const;

    static constexpr std::uint32_t kDefaultCapabilities = 0x807FF7FF;  // 4.1, secure conn., plugin auth ...

private:
    std::uint8_t protocol_ = 10;
    std::string version_ = "8.0.5-fake";
    std::uint32_t threadId_ = 42;
    Bytes scramble_ = Bytes{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20};
    std::uint32_t capabilities_ = kDefaultCapabilities;
    std::uint8_t charset_ = 33;
    std::uint16_t status_ = 2;
    std::string plugin_ = "mysql_native_password";
};

class OkPacket {
public:
    OkPacket& AffectedRows(std::uint64_t v) { affected_ = v; return *this; }
    OkPacket& InsertId(std::uint64_t v) { insertId_ = v; return *this; }
    OkPacket& Status(std::uint16_t v) { status_ = v; return *this; }
    OkPacket& Warnings(std::uint16_t v) { warnings_ = v; return *this; }
    OkPacket& Info(std::string v) { info_ = std::move(v); return *this; }
    Bytes Payload() const;

private:
    std::uint64_t affected_ = 0, insertId_ = 0;
    std::uint16_t status_ = 2, warnings_ = 0;
    std::string info_;
};

/// 0xFF, code, "#" + state, message.
Bytes ErrPacket(std::uint16_t code, const std::string& state, const std::string& message);
/// 0xFE, plugin name, NUL, data (auth switch request).
Bytes AuthSwitch(const std::string& plugin, const Bytes& data);
/// 0x01 followed by data (auth more data).
Bytes AuthMoreData(const Bytes& data);
/// Length-encoded integer as the protocol writes it.
void AppendLengthEncoded(Bytes& out, std::uint64_t value);

}  // namespace brevant::test
