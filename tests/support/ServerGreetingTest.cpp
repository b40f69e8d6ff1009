// Proves the server fixture: a plain TCP socket to the private server reads the
// greeting packet, whose first payload byte is the protocol version 10.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdint>
#include <vector>

#include "TestServer.h"

namespace {

bool ReadFully(int fd, std::uint8_t* buf, std::size_t n) {
    while (n > 0) {
        ssize_t r = ::recv(fd, buf, n, 0);
        if (r <= 0) return false;
        buf += r;
        n -= static_cast<std::size_t>(r);
    }
    return true;
}

}  // namespace

TEST(ServerFixture, GreetingIsProtocolVersion10) {
    BREVANT_REQUIRE_SERVER(server);
    int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    ASSERT_GE(fd, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<std::uint16_t>(server.port));
    ASSERT_EQ(::inet_pton(AF_INET, server.host.c_str(), &addr.sin_addr), 1) << server.host;
    ASSERT_EQ(::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);

    std::uint8_t header[4];
    ASSERT_TRUE(ReadFully(fd, header, 4));
    std::size_t length = header[0] | (header[1] << 8) | (header[2] << 16);
    EXPECT_EQ(header[3], 0) << "the greeting is packet 0";
    ASSERT_GT(length, 1u);
    std::vector<std::uint8_t> payload(length);
    ASSERT_TRUE(ReadFully(fd, payload.data(), length));
    ::close(fd);

    EXPECT_EQ(payload[0], 10);
    std::string version(reinterpret_cast<char*>(&payload[1]));
    EXPECT_NE(version.find("MariaDB"), std::string::npos) << version;
}
