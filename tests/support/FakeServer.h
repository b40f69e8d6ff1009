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
// Inject(n, fault) puts a fault into step n: the connection closed instead of
// the step, or the packet the step sends cut short or sent with the wrong
// sequence number. ExpectFaultAtEveryStep runs a whole exchange once per step
// and fault and checks that the client fails cleanly every time.

#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
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
    /// Stops sending and reads until the client closes (or the read times out).
    void ShutdownAndDrain();
    /// Reads one plain (uncompressed) packet; throws std::runtime_error on EOF.
    FakePacket Read();
    void Write(const Bytes& payload, std::uint8_t sequence);
    void WriteRaw(const Bytes& bytes);
    void Close();

private:
    int fd_;
};

/// What can go wrong at one step of a scripted exchange.
enum class FakeFault {
    Closed,         // the connection is closed instead of the step
    CutShort,       // the packet of a sending step stops half-way, then the server stops sending
    WrongSequence,  // the packet of a sending step carries the next sequence number
};
const char* FakeFaultName(FakeFault fault);

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
    /// Runs the script up to `step` and puts `fault` into it. CutShort and
    /// WrongSequence apply to steps that send a packet (Send); after the fault the
    /// server sends nothing more and waits for the client to close.
    FakeServer& Inject(std::size_t step, FakeFault fault);
    FakeServer& FailAt(std::size_t step) { return Inject(step, FakeFault::Closed); }

    std::size_t StepCount() const { return steps_.size(); }
    /// True for a step that sends one packet.
    bool SendsPacket(std::size_t step) const { return steps_.at(step).packet.has_value(); }

    void Start();
    /// Waits for the script to end (the client must have closed or the script
    /// ended) and returns "" or the first failure.
    std::string Finish();

private:
    void Run();
    /// Runs step `index` with the injected fault; false when the script stops there.
    bool RunFaulty(std::size_t index, FakeConnection& conn);

    struct ScriptStep {
        Step run;
        std::optional<FakePacket> packet;  // what a sending step sends
    };
    int listenFd_ = -1;
    int port_ = 0;
    std::vector<ScriptStep> steps_;
    std::size_t faultStep_ = static_cast<std::size_t>(-1);
    FakeFault fault_ = FakeFault::Closed;
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

/// How the client's side of one faulty run ended.
struct FaultOutcome {
    bool failed = false;  // the client reported an error (false: it claimed success)
    int code = 0;
    std::string message;
    bool transportOpen = false;  // the client still holds its connection after failing
};

/// Runs the exchange that `script` builds once per step and fault: the connection
/// closed at each step, and each packet the server sends cut short and sent with
/// the wrong sequence number. `client` runs the client's side against the port
/// and says how it ended. Every run must end in an error with the code the fault
/// calls for (2013 for a lost or cut connection, 1156 for packets out of order),
/// with the transport closed and no descriptor left behind; a hang ends in the
/// timeouts of both sides and fails the same way.
void ExpectFaultAtEveryStep(const std::function<void(FakeServer&)>& script,
                            const std::function<FaultOutcome(int port)>& client);

/// Open file descriptors of this process.
int OpenDescriptorCount();

}  // namespace brevant::test
