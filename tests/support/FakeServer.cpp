#include "FakeServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <stdexcept>

namespace brevant::test {

namespace {

void ReadFully(int fd, std::uint8_t* buf, std::size_t n) {
    while (n > 0) {
        ssize_t r = ::recv(fd, buf, n, 0);
        if (r <= 0) throw std::runtime_error("fake server: client closed the connection");
        buf += r;
        n -= static_cast<std::size_t>(r);
    }
}

void WriteFully(int fd, const std::uint8_t* buf, std::size_t n) {
    while (n > 0) {
        ssize_t r = ::send(fd, buf, n, MSG_NOSIGNAL);
        if (r <= 0) throw std::runtime_error("fake server: write failed");
        buf += r;
        n -= static_cast<std::size_t>(r);
    }
}

void Put16(Bytes& b, std::uint16_t v) {
    b.push_back(v & 0xFF);
    b.push_back(v >> 8);
}
void Put32(Bytes& b, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) b.push_back((v >> (8 * i)) & 0xFF);
}
void PutText(Bytes& b, const std::string& s) { b.insert(b.end(), s.begin(), s.end()); }

}  // namespace

FakePacket FakeConnection::Read() {
    std::uint8_t header[4];
    ReadFully(fd_, header, 4);
    FakePacket p;
    std::size_t length = header[0] | (header[1] << 8) | (header[2] << 16);
    p.sequence = header[3];
    p.payload.resize(length);
    if (length) ReadFully(fd_, p.payload.data(), length);
    return p;
}

void FakeConnection::Write(const Bytes& payload, std::uint8_t sequence) {
    Bytes frame;
    frame.reserve(payload.size() + 4);
    frame.push_back(payload.size() & 0xFF);
    frame.push_back((payload.size() >> 8) & 0xFF);
    frame.push_back((payload.size() >> 16) & 0xFF);
    frame.push_back(sequence);
    frame.insert(frame.end(), payload.begin(), payload.end());
    WriteFully(fd_, frame.data(), frame.size());
}

void FakeConnection::WriteRaw(const Bytes& bytes) { WriteFully(fd_, bytes.data(), bytes.size()); }

void FakeConnection::ShutdownAndDrain() {
    if (fd_ < 0) return;
    ::shutdown(fd_, SHUT_WR);
    std::uint8_t sink[4096];
    while (::recv(fd_, sink, sizeof sink, 0) > 0) {
    }
}

void FakeConnection::Close() {
    if (fd_ >= 0) {
        ::shutdown(fd_, SHUT_RDWR);
        ::close(fd_);
        fd_ = -1;
    }
}

FakeServer::FakeServer() {
    listenFd_ = ::socket(AF_INET, SOCK_STREAM, 0);
    if (listenFd_ < 0) throw std::runtime_error("fake server: socket failed");
    int one = 1;
    ::setsockopt(listenFd_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::bind(listenFd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || ::listen(listenFd_, 4) != 0)
        throw std::runtime_error("fake server: bind/listen failed");
    socklen_t len = sizeof addr;
    ::getsockname(listenFd_, reinterpret_cast<sockaddr*>(&addr), &len);
    port_ = ntohs(addr.sin_port);
}

FakeServer::~FakeServer() {
    if (listenFd_ >= 0) {
        ::shutdown(listenFd_, SHUT_RDWR);
        ::close(listenFd_);
    }
    if (thread_.joinable()) thread_.join();
}

FakeServer& FakeServer::Send(Bytes payload, std::uint8_t sequence) {
    Do([payload, sequence](FakeConnection& c) { c.Write(payload, sequence); });
    steps_.back().packet = FakePacket{sequence, std::move(payload)};
    return *this;
}

FakeServer& FakeServer::SendRaw(Bytes bytes) {
    return Do([bytes = std::move(bytes)](FakeConnection& c) { c.WriteRaw(bytes); });
}

FakeServer& FakeServer::Expect(std::function<void(const FakePacket&)> check) {
    return Do([check = std::move(check)](FakeConnection& c) {
        FakePacket p = c.Read();
        if (check) check(p);
    });
}

FakeServer& FakeServer::Reply(std::function<std::vector<FakePacket>(const FakePacket&)> reply) {
    return Do([reply = std::move(reply)](FakeConnection& c) {
        for (const auto& p : reply(c.Read())) c.Write(p.payload, p.sequence);
    });
}

FakeServer& FakeServer::Close() {
    return Do([](FakeConnection& c) { c.Close(); });
}

FakeServer& FakeServer::Do(Step step) {
    steps_.push_back({std::move(step), std::nullopt});
    return *this;
}

FakeServer& FakeServer::Inject(std::size_t step, FakeFault fault) {
    faultStep_ = step;
    fault_ = fault;
    return *this;
}

const char* FakeFaultName(FakeFault fault) {
    switch (fault) {
        case FakeFault::Closed: return "connection closed";
        case FakeFault::CutShort: return "packet cut short";
        case FakeFault::WrongSequence: return "wrong sequence number";
    }
    return "?";
}

bool FakeServer::RunFaulty(std::size_t index, FakeConnection& conn) {
    const std::optional<FakePacket>& packet = steps_[index].packet;
    if (fault_ == FakeFault::Closed || !packet) return false;  // closed instead of the step
    if (fault_ == FakeFault::CutShort) {
        const Bytes& p = packet->payload;
        const Bytes header = {static_cast<std::uint8_t>(p.size()), static_cast<std::uint8_t>(p.size() >> 8),
                              static_cast<std::uint8_t>(p.size() >> 16), packet->sequence};
        conn.WriteRaw(header);
        conn.WriteRaw(Bytes(p.begin(), p.begin() + static_cast<std::ptrdiff_t>(p.size() / 2)));
    } else {
        conn.Write(packet->payload, static_cast<std::uint8_t>(packet->sequence + 1));
    }
    conn.ShutdownAndDrain();
    return false;
}

void FakeServer::Start() {
    started_ = true;
    thread_ = std::thread([this] { Run(); });
}

void FakeServer::Run() {
    // Wait at most 10 s for the client; a test that never connects fails, not hangs.
    pollfd pfd{listenFd_, POLLIN, 0};
    if (::poll(&pfd, 1, 10000) <= 0) {
        error_ = "fake server: no client connected";
        return;
    }
    int fd = ::accept(listenFd_, nullptr, nullptr);
    if (fd < 0) {
        error_ = "fake server: accept failed";
        return;
    }
    timeval tv{10, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
    FakeConnection conn(fd);
    try {
        for (std::size_t i = 0; i < steps_.size(); ++i) {
            if (i == faultStep_) {
                if (!RunFaulty(i, conn)) break;
                continue;
            }
            steps_[i].run(conn);
        }
    } catch (const std::exception& e) {
        error_ = e.what();
    }
    conn.Close();
}

std::string FakeServer::Finish() {
    if (thread_.joinable()) thread_.join();
    return error_;
}

Bytes Greeting::Payload() const {
    Bytes b;
    b.push_back(protocol_);
    PutText(b, version_);
    b.push_back(0);
    Put32(b, threadId_);
    b.insert(b.end(), scramble_.begin(), scramble_.begin() + 8);
    b.push_back(0);
    Put16(b, capabilities_ & 0xFFFF);
    b.push_back(charset_);
    Put16(b, status_);
    Put16(b, capabilities_ >> 16);
    b.push_back(static_cast<std::uint8_t>(scramble_.size() + 1));
    b.insert(b.end(), 10, 0);
    b.insert(b.end(), scramble_.begin() + 8, scramble_.end());
    b.push_back(0);
    if (capabilities_ & 0x80000) {
        PutText(b, plugin_);
        b.push_back(0);
    }
    return b;
}

void AppendLengthEncoded(Bytes& out, std::uint64_t v) {
    if (v < 251) {
        out.push_back(static_cast<std::uint8_t>(v));
    } else if (v < 0x10000) {
        out.push_back(0xFC);
        Put16(out, static_cast<std::uint16_t>(v));
    } else if (v < 0x1000000) {
        out.push_back(0xFD);
        for (int i = 0; i < 3; ++i) out.push_back((v >> (8 * i)) & 0xFF);
    } else {
        out.push_back(0xFE);
        for (int i = 0; i < 8; ++i) out.push_back((v >> (8 * i)) & 0xFF);
    }
}

Bytes OkPacket::Payload() const {
    Bytes b{0x00};
    AppendLengthEncoded(b, affected_);
    AppendLengthEncoded(b, insertId_);
    Put16(b, status_);
    Put16(b, warnings_);
    PutText(b, info_);
    return b;
}

Bytes ErrPacket(std::uint16_t code, const std::string& state, const std::string& message) {
    Bytes b{0xFF};
    Put16(b, code);
    b.push_back('#');
    PutText(b, state);
    PutText(b, message);
    return b;
}

Bytes AuthSwitch(const std::string& plugin, const Bytes& data) {
    Bytes b{0xFE};
    PutText(b, plugin);
    b.push_back(0);
    b.insert(b.end(), data.begin(), data.end());
    return b;
}

Bytes AuthMoreData(const Bytes& data) {
    Bytes b{0x01};
    b.insert(b.end(), data.begin(), data.end());
    return b;
}

int OpenDescriptorCount() {
    int n = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) ++n;
    return n;
}

void ExpectFaultAtEveryStep(const std::function<void(FakeServer&)>& script,
                            const std::function<FaultOutcome(int port)>& client) {
    FakeServer probe;
    script(probe);
    for (std::size_t step = 0; step < probe.StepCount(); ++step) {
        for (FakeFault fault : {FakeFault::Closed, FakeFault::CutShort, FakeFault::WrongSequence}) {
            if (fault != FakeFault::Closed && !probe.SendsPacket(step)) continue;
            SCOPED_TRACE(testing::Message() << "step " << step << ": " << FakeFaultName(fault));
            const int before = OpenDescriptorCount();
            FaultOutcome outcome;
            {
                FakeServer server;
                script(server);
                server.Inject(step, fault);
                server.Start();
                outcome = client(server.Port());
                server.Finish();
            }
            const int expected = fault == FakeFault::WrongSequence ? 1156 : 2013;
            EXPECT_TRUE(outcome.failed) << "the client reported success";
            EXPECT_EQ(outcome.code, expected) << outcome.message;
            EXPECT_FALSE(outcome.transportOpen) << "the failed client keeps its connection";
            EXPECT_EQ(OpenDescriptorCount(), before) << "a descriptor was left open";
        }
    }
}

}  // namespace brevant::test
