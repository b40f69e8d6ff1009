#pragma once
// TCP client stream: resolves the host (first address only), connects with an
// optional time limit, applies TCP_NODELAY, keep-alive, timeouts and buffer sizes.

#include <sys/socket.h>

#include "mysql/wire/TCRVioSocket.h"

namespace brevant {

enum TCRConnectMode { cmBind, cmConnect };

class TCRVioTcp : public TCRVioSocket {
public:
    TCRVioTcp();
    TCRVioTcp(UString hostname, TIPVersion ipVersion, int port);
    ~TCRVioTcp() override;

    void Connect() override;
    int Write(const std::uint8_t* buffer, int offset, int count) override;
    int GetAvailable() override;

    /// True when `host` can only be an IPv6 literal: letters, digits, ':', '%' and
    /// '/' only, with at least one ':'.
    static bool IsIPv6Literal(UStringView host);

    /// The address the last successful connect reached (family AF_UNSPEC before).
    const sockaddr_storage& RemoteAddress() const { return FRemoteSockAddr; }

protected:
    int ReadNoWait(std::uint8_t* buffer, int offset, int count) override;
    int WriteNoWait(const std::uint8_t* buffer, int offset, int count) override;
    void CloseSocket() override;

    /// Lookup, socket and connect; false with LastError set on failure.
    bool ConnectStep(const UString& host, int port);
    /// Waits for a non-blocking connect until the time limit; false with LastError set.
    bool WaitForConnect(int fd, const UString& host);

    UString FProviderName;
    TCRConnectMode FConnectMode = cmConnect;
    sockaddr_storage FLocalSockAddr{};
    sockaddr_storage FRemoteSockAddr{};
};

}  // namespace brevant
