// The scripted server runs its steps in order and reports the first deviation,
// so that protocol tests built on it fail for the right reason.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include "FakeServer.h"
#include <gtest/gtest.h>

using namespace brevant::test;

namespace {

int ConnectTo(int port) {
    int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<std::uint16_t>(port));
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

}  // namespace

TEST(FakeServer, RunsItsScriptAndRecordsWhatTheClientSent) {
    FakeServer server;
    FakePacket seen;
    server.Send(Greeting().Version("8.0.4").Plugin("caching_sha2_password").Payload(), 0)
        .Expect([&](const FakePacket& p) { seen = p; })
        .Send(OkPacket().AffectedRows(300).Payload(), 2);
    server.Start();

    int fd = ConnectTo(server.Port());
    ASSERT_GE(fd, 0);
    FakeConnection client(fd);
    FakePacket greeting = client.Read();
    EXPECT_EQ(greeting.sequence, 0);
    EXPECT_EQ(greeting.payload[0], 10);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&greeting.payload[1])), "8.0.4");
    client.Write({0xAA, 0xBB}, 1);
    FakePacket ok = client.Read();
    EXPECT_EQ(ok.sequence, 2);
    EXPECT_EQ(ok.payload, (Bytes{0x00, 0xFC, 0x2C, 0x01, 0x00, 0x02, 0x00, 0x00, 0x00}));
    client.Close();

    EXPECT_EQ(server.Finish(), "");
    EXPECT_EQ(seen.sequence, 1);
    EXPECT_EQ(seen.payload, (Bytes{0xAA, 0xBB}));
}

TEST(FakeServer, FailAtClosesInsteadOfTheStepAndAnEarlyCloseIsReported) {
    FakeServer server;
    server.Send(Greeting().Payload(), 0).Expect().Send(OkPacket().Payload(), 2).FailAt(1);
    server.Start();
    int fd = ConnectTo(server.Port());
    ASSERT_GE(fd, 0);
    FakeConnection client(fd);
    client.Read();
    EXPECT_THROW(client.Read(), std::runtime_error);  // closed at step 1
    client.Close();
    EXPECT_EQ(server.Finish(), "");

    FakeServer early;
    early.Send(Greeting().Payload(), 0).Expect();
    early.Start();
    fd = ConnectTo(early.Port());
    FakeConnection c2(fd);
    c2.Read();
    c2.Close();
    EXPECT_NE(early.Finish(), "");
}

TEST(FakeServer, InjectedFaultsChangeOnlyTheirStep) {
    // The packet of step 2 as the client sees it under each fault.
    struct Case {
        FakeFault fault;
        Bytes header;  // what arrives of the packet (header, then payload bytes)
        std::size_t payloadBytes;
    } cases[] = {
        {FakeFault::CutShort, {7, 0, 0, 2}, 3},
        {FakeFault::WrongSequence, {7, 0, 0, 3}, 7},
        {FakeFault::Closed, {}, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(FakeFaultName(c.fault));
        FakeServer server;
        server.Send(Greeting().Payload(), 0).Expect().Send(OkPacket().Payload(), 2).Inject(2, c.fault);
        server.Start();
        int fd = ConnectTo(server.Port());
        ASSERT_GE(fd, 0);
        FakeConnection client(fd);
        client.Read();
        client.Write({0xAA}, 1);
        Bytes received;
        std::uint8_t byte;
        while (::recv(fd, &byte, 1, 0) == 1) received.push_back(byte);
        client.Close();
        EXPECT_EQ(server.Finish(), "");
        ASSERT_EQ(received.size(), c.header.size() + c.payloadBytes);
        EXPECT_EQ(Bytes(received.begin(), received.begin() + static_cast<std::ptrdiff_t>(c.header.size())), c.header);
    }
}
