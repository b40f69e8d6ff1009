// The transport and packet layer against the private MariaDB server.

#include <gtest/gtest.h>

#include "ExpectRaises.h"
#include "TestServer.h"
#include "mysql/wire/EMySqlException.h"
#include "mysql/wire/TCRVioTcp.h"
#include "mysql/wire/TMySqlNet.h"

namespace brevant {
namespace {

using test::ExpectRaises;
using test::kAnyCode;

std::unique_ptr<TCRVioTcp> ConnectTo(const test::ServerAddress& server) {
    auto vio = std::make_unique<TCRVioTcp>(Widen(server.host), ivIPv4, server.port);
    vio->SetTimeout(15);
    vio->Connect();
    return vio;
}

TEST(WireServer, ReadsTheGreetingAndTheServersError) {
    BREVANT_REQUIRE_SERVER(server);
    TMySqlNet net;
    net.SetVio(ConnectTo(server));
    net.ReceiveRow();
    EXPECT_EQ(net.GetPacketNumber(), 1);
    EXPECT_EQ(net.ReadByte(), 10);  // protocol version
    std::string version = net.ReadString();
    EXPECT_NE(version.find("MariaDB"), std::string::npos) << version;
    net.ReadInt32();  // connection id
    EXPECT_EQ(net.ReadString(8).size(), 8u);
    EXPECT_EQ(net.ReadByte(), 0);

    // A handshake response far too short to mean anything: the server answers
    // with an error packet, which arrives as the server's error.
    net.Clear();
    net.WriteInt16(0);
    net.Send();
    if (const auto e = ExpectRaises<EMySqlException>([&] { net.ReceiveRow(); }, 1043, u"Bad handshake")) {
        EXPECT_TRUE(e->IsServerError());
        // No SQL state: the client never said it speaks the 4.1 protocol.
    }
}

TEST(WireServer, ServerClosingIsALostConnection) {
    BREVANT_REQUIRE_SERVER(server);
    TMySqlNet net;
    net.SetVio(ConnectTo(server));
    net.ReceiveRow();
    net.Clear();
    net.WriteInt16(0);
    net.Send();
    EXPECT_THROW(net.ReceiveRow(), EMySqlException);
    // The server closes after a failed handshake.
    ExpectRaises<EMySqlException>([&] { net.ReceiveRow(); }, 2013);
}

}  // namespace
}  // namespace brevant
