// The TCP transport against real sockets on the loopback interface. Every address
// used here is 127.0.0.1 or ::1.

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <dirent.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <functional>
#include <vector>

#include "mysql/wire/TCRVioTcp.h"

namespace brevant {
namespace {

/// A listening socket on a loopback address with a port of the system's choice.
class Listener {
public:
    explicit Listener(int backlog = 8, bool v6 = false) {
        fd_ = socket(v6 ? AF_INET6 : AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_storage addr{};
        socklen_t len;
        if (v6) {
            auto* a = reinterpret_cast<sockaddr_in6*>(&addr);
            a->sin6_family = AF_INET6;
            a->sin6_addr = in6addr_loopback;
            len = sizeof *a;
        } else {
            auto* a = reinterpret_cast<sockaddr_in*>(&addr);
            a->sin_family = AF_INET;
            a->sin_addr.s_addr = htonl(INADDR_LOOPBACK);
            len = sizeof *a;
        }
        ok_ = fd_ >= 0 && bind(fd_, reinterpret_cast<sockaddr*>(&addr), len) == 0 && listen(fd_, backlog) == 0 &&
              getsockname(fd_, reinterpret_cast<sockaddr*>(&addr), &len) == 0;
        if (ok_) port_ = ntohs(v6 ? reinterpret_cast<sockaddr_in6*>(&addr)->sin6_port
                                  : reinterpret_cast<sockaddr_in*>(&addr)->sin_port);
    }
    ~Listener() {
        for (int fd : extra_) close(fd);
        if (fd_ >= 0) close(fd_);
    }
    bool Ok() const { return ok_; }
    int Port() const { return port_; }
    int Accept() {
        int fd = accept(fd_, nullptr, nullptr);
        extra_.push_back(fd);
        return fd;
    }
    /// Connects clients that are never accepted until the accept queue is full:
    /// the next connect gets no answer to its handshake.
    void FillAcceptQueue() {
        for (int i = 0; i < 64; ++i) {
            int c = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
            sockaddr_in a{};
            a.sin_family = AF_INET;
            a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
            a.sin_port = htons(static_cast<std::uint16_t>(port_));
            connect(c, reinterpret_cast<sockaddr*>(&a), sizeof a);
            pollfd p{c, POLLOUT, 0};
            if (poll(&p, 1, 300) == 0) {
                close(c);
                return;
            }
            extra_.push_back(c);
        }
        ADD_FAILURE() << "the accept queue never filled";
    }

private:
    int fd_ = -1;
    int port_ = 0;
    bool ok_ = false;
    std::vector<int> extra_;
};

/// Counts the receives the read-ahead logic makes.
class CountingTcp : public TCRVioTcp {
public:
    using TCRVioTcp::TCRVioTcp;
    int receives = 0;

protected:
    int ReadNoWait(std::uint8_t* buffer, int offset, int count) override {
        ++receives;
        return TCRVioTcp::ReadNoWait(buffer, offset, count);
    }
};

int OpenDescriptors() {
    int n = 0;
    if (DIR* d = opendir("/proc/self/fd")) {
        while (readdir(d)) ++n;
        closedir(d);
    }
    return n;
}

SocketException ConnectError(TCRVioTcp& vio) {
    try {
        vio.Connect();
    } catch (const SocketException& e) {
        return e;
    }
    ADD_FAILURE() << "Connect did not fail";
    return SocketException(u"");
}

TEST(TCRVioTcp, ConnectsWritesReadsAndClosesOnce) {
    Listener listener;
    ASSERT_TRUE(listener.Ok());
    CountingTcp vio(u"127.0.0.1", ivIPv4, listener.Port());
    int closes = 0;
    vio.SetOnClose([&] { ++closes; });
    vio.Connect();
    EXPECT_TRUE(vio.GetConnected());
    int peer = listener.Accept();

    const std::uint8_t hello[] = {'h', 'e', 'l', 'l', 'o'};
    EXPECT_EQ(vio.Write(hello, 0, 5), 5);
    std::uint8_t got[5];
    ASSERT_EQ(recv(peer, got, 5, MSG_WAITALL), 5);
    EXPECT_EQ(std::memcmp(got, hello, 5), 0);

    // One receive fills the read-ahead buffer; the small reads after it are
    // served from there.
    std::uint8_t sent[100];
    for (int i = 0; i < 100; ++i) sent[i] = static_cast<std::uint8_t>(i);
    ASSERT_EQ(send(peer, sent, 100, 0), 100);
    ASSERT_TRUE(vio.WaitForData(-1));
    EXPECT_EQ(vio.GetAvailable(), 100);
    std::uint8_t buf[100];
    ASSERT_EQ(vio.Read(buf, 0, 4), 4);
    // What the read-ahead buffer holds is readable without blocking too.
    EXPECT_EQ(vio.GetAvailable(), 96);
    EXPECT_TRUE(vio.WaitForData(0));
    for (int i = 1; i < 25; ++i) ASSERT_EQ(vio.Read(buf, i * 4, 4), 4);
    EXPECT_EQ(vio.GetAvailable(), 0);
    EXPECT_FALSE(vio.WaitForData(0));
    EXPECT_EQ(vio.receives, 1);
    EXPECT_EQ(std::memcmp(buf, sent, 100), 0);

    vio.Close();
    vio.Close();
    EXPECT_FALSE(vio.GetConnected());
    EXPECT_EQ(closes, 1);

    // A closed transport connects again, with its state reset.
    int before = OpenDescriptors();
    vio.Connect();
    EXPECT_TRUE(vio.GetConnected());
    EXPECT_EQ(vio.LastError(), u"");
    vio.Connect();  // connecting while connected replaces the socket
    EXPECT_EQ(OpenDescriptors(), before + 1);
}

TEST(TCRVioTcp, ShortReadWhenThePeerCloses) {
    Listener listener;
    ASSERT_TRUE(listener.Ok());
    TCRVioTcp vio(u"127.0.0.1", ivIPv4, listener.Port());
    vio.Connect();
    int peer = listener.Accept();
    ASSERT_EQ(send(peer, "0123456789", 10, 0), 10);
    shutdown(peer, SHUT_WR);
    std::uint8_t buf[20];
    EXPECT_EQ(vio.Read(buf, 0, 20), 10);
    EXPECT_EQ(vio.LastError(), u"");  // an orderly close records no error
    EXPECT_EQ(vio.Read(buf, 0, 4000), 0);
}

TEST(TCRVioTcp, ReceiveTimeoutEndsAReadWithItsError) {
    Listener listener;
    ASSERT_TRUE(listener.Ok());
    TCRVioTcp vio(u"127.0.0.1", ivIPv4, listener.Port());
    vio.SetReceiveTimeout(1);
    vio.Connect();
    listener.Accept();
    std::uint8_t buf[4];
    EXPECT_EQ(vio.Read(buf, 0, 4), 0);
    EXPECT_EQ(vio.LastError(),
              u"Error on data reading from the connection:\r\nResource temporarily unavailable.\r\n"
              u"Socket Error Code: 11($B)");
    EXPECT_EQ(vio.LastErrorCode(), EAGAIN);
}

TEST(TCRVioTcp, RefusedConnectNamesHostAndError) {
    int port;
    {
        Listener probe;  // a port that nothing listens on once the probe is gone
        ASSERT_TRUE(probe.Ok());
        port = probe.Port();
    }
    for (int timeout : {0, 5}) {
        SCOPED_TRACE(timeout);
        TCRVioTcp vio(u"127.0.0.1", ivIPv4, port);
        vio.SetConnectionTimeout(timeout);
        SocketException e = ConnectError(vio);
        EXPECT_EQ(e.Message(),
                  u"Cannot connect to server on host '127.0.0.1':\r\nConnection refused.\r\nSocket Error Code: 111($6F)");
        EXPECT_EQ(e.ErrorCode(), ECONNREFUSED);
        EXPECT_FALSE(vio.GetConnected());
    }
}

TEST(TCRVioTcp, ConnectTimesOutAndLeavesNoSocket) {
    Listener listener(0);
    ASSERT_TRUE(listener.Ok());
    listener.FillAcceptQueue();
    int before = OpenDescriptors();
    TCRVioTcp vio(u"127.0.0.1", ivIPv4, listener.Port());
    vio.SetTimeout(1);
    EXPECT_EQ(vio.GetConnectionTimeout(), 1);
    EXPECT_EQ(vio.GetReceiveTimeout(), 1);
    SocketException e = ConnectError(vio);
    EXPECT_EQ(e.Message(), u"Cannot connect to server on host '127.0.0.1': Connection timed out");
    EXPECT_FALSE(vio.GetConnected());
    EXPECT_EQ(OpenDescriptors(), before);
}

TEST(TCRVioTcp, EmptyHostMeansLocalhost) {
    Listener listener;
    ASSERT_TRUE(listener.Ok());
    TCRVioTcp vio(u"", ivIPv4, listener.Port());
    vio.Connect();
    EXPECT_EQ(vio.GetHost(), u"localhost");
    EXPECT_TRUE(vio.GetConnected());
}

TEST(TCRVioTcp, Ipv6LoopbackLiteral) {
    Listener listener(8, true);
    if (!listener.Ok()) GTEST_SKIP() << "no IPv6 loopback here";
    TCRVioTcp vio(u"::1", ivIPv6, listener.Port());
    vio.Connect();
    EXPECT_EQ(vio.RemoteAddress().ss_family, AF_INET6);
}

TEST(TCRVioTcp, Ipv6LiteralTest) {
    struct Case {
        const char16_t* host;
        bool literal;
    } cases[] = {
        {u"::1", true},           {u"fe80::1%eth0", true}, {u"2001:db8::/32", true}, {u"dbserver", false},
        {u"127.0.0.1", false},    {u"a.b:1", false},       {u"", false},             {u"::ffff:1.2.3.4", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(Narrow(c.host));
        EXPECT_EQ(TCRVioTcp::IsIPv6Literal(c.host), c.literal);
    }
}

TEST(TCRVioTcp, EndpointCannotChangeWhileConnected) {
    Listener listener;
    ASSERT_TRUE(listener.Ok());
    TCRVioTcp vio(u"127.0.0.1", ivIPv4, listener.Port());
    struct Case {
        const char* name;
        std::function<void()> set;
        const char16_t* message;
    } cases[] = {
        {"host", [&] { vio.SetHost(u"other"); }, u"Cannot change host for the active connection"},
        {"bind address", [&] { vio.SetBindAddress(u"127.0.0.2"); }, u"Cannot change host for the active connection"},
        {"port", [&] { vio.SetPort(1); }, u"Cannot change port for the active connection"},
        {"ip version", [&] { vio.SetIPVersion(ivIPBoth); }, u"Cannot change TCP/IP version for the active connection"},
    };
    vio.Connect();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        try {
            c.set();
            ADD_FAILURE() << "accepted while connected";
        } catch (const SocketException& e) {
            EXPECT_EQ(e.Message(), c.message);
            EXPECT_EQ(e.ErrorCode(), 0);
        }
    }
    // Timeouts and buffer sizes apply to the live socket at once.
    vio.SetSendTimeout(3);
    vio.SetReceiveBuffer(65536);
    vio.Close();
    for (const auto& c : cases) EXPECT_NO_THROW(c.set()) << c.name;
}

TEST(TCRVioTcp, OperationsWithoutASocket) {
    TCRVioTcp vio(u"127.0.0.1", ivIPv4, 1);
    std::uint8_t buf[4] = {};
    EXPECT_EQ(vio.Write(buf, 0, 4), 0);
    EXPECT_EQ(vio.LastError(), u"Error on data writing to the connection: Invalid socket");
    EXPECT_EQ(vio.LastErrorCode(), 0);
    for (auto op : std::vector<std::function<void()>>{[&] { vio.Read(buf, 0, 4); }, [&] { vio.GetAvailable(); },
                                                      [&] { vio.WaitForData(0); }}) {
        try {
            op();
            ADD_FAILURE() << "no error";
        } catch (const SocketException& e) {
            EXPECT_EQ(e.Message(), u"Socket not connected");
        }
    }
    vio.Close();  // closing what never opened does nothing
    EXPECT_FALSE(vio.GetConnected());
}

}  // namespace
}  // namespace brevant
