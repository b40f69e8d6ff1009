#include "mysql/wire/TCRVioTcp.h"

#include <cerrno>
#include <chrono>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include "core/Format.h"

namespace brevant {

namespace {

// Keep-alive: first probe after 15 s idle, then every second.
constexpr int kKeepAliveIdleSeconds = 15;
constexpr int kKeepAliveIntervalSeconds = 1;
// A timed connect wakes this often to see whether Close was called meanwhile.
constexpr int kConnectPollSliceMs = 100;

void SwitchKeepAliveOn(int fd) {
    // Failures leave the connection usable without probes; nothing to report.
    int on = 1, idle = kKeepAliveIdleSeconds, interval = kKeepAliveIntervalSeconds;
    setsockopt(fd, SOL_SOCKET, SO_KEEPALIVE, &on, sizeof on);
    setsockopt(fd, IPPROTO_TCP, TCP_KEEPIDLE, &idle, sizeof idle);
    setsockopt(fd, IPPROTO_TCP, TCP_KEEPINTVL, &interval, sizeof interval);
}

bool IsAsciiLetterOrDigit(char16_t c) {
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9');
}

}  // namespace

TCRVioTcp::TCRVioTcp() = default;

TCRVioTcp::TCRVioTcp(UString hostname, TIPVersion ipVersion, int port)
    : TCRVioSocket(std::move(hostname), ipVersion, port) {}

TCRVioTcp::~TCRVioTcp() {
    try {
        Close();
    } catch (...) {
    }
}

bool TCRVioTcp::IsIPv6Literal(UStringView host) {
    bool colon = false;
    for (char16_t c : host) {
        if (c == u':')
            colon = true;
        else if (!IsAsciiLetterOrDigit(c) && c != u'%' && c != u'/')
            return false;
    }
    return colon;
}

void TCRVioTcp::Connect() {
    // Connecting again while connected must not leak the old socket.
    if (GetConnected()) CloseSocket();
    ResetForConnect();
    {
        std::lock_guard lock(hLockSd);
        FAborted = false;
    }
    FLocalSockAddr = {};
    FRemoteSockAddr = {};
    if (FHostName.empty()) FHostName = u"localhost";

    bool ok = ConnectStep(FHostName, FPort);
    if (ok) {
        int fd = FSd.load();
        int on = 1;
        if (setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on) != 0) {
            RecordSystemError(u"Error on setting socket options:\r\n", errno);
            ok = false;
        }
        ok = ok && ApplySendTimeout(fd) && ApplyReceiveTimeout(fd) && ApplyBufferSizes(fd);
    }
    if (!ok) {
        CloseSocket();
        throw SocketException(FLastError.empty() ? UString(u"Unknown socket error") : FLastError, FLastErrorCode);
    }
}

bool TCRVioTcp::ConnectStep(const UString& host, int port) {
    addrinfo hints{};
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_protocol = IPPROTO_TCP;
    switch (FIPVersion) {
        case ivIPv4: hints.ai_family = AF_INET; break;
        case ivIPv6: hints.ai_family = IsIPv6Literal(host) ? AF_INET6 : AF_UNSPEC; break;
        default: hints.ai_family = AF_UNSPEC; break;
    }
    addrinfo* list = nullptr;
    int rc = getaddrinfo(Utf16ToAnsi(host).c_str(), nullptr, &hints, &list);
    if (rc != 0 || list == nullptr) {
        int code = rc == EAI_SYSTEM ? errno : rc;
        if (list) freeaddrinfo(list);
        SetLastError(Format(u"Unknown host '%s'.\r\nSocket Error Code: %d($%X)", {host, code, code}), code);
        return false;
    }
    // Only the first address is tried, whatever follows it.
    sockaddr_storage address{};
    std::memcpy(&address, list->ai_addr, std::min<std::size_t>(list->ai_addrlen, sizeof address));
    socklen_t addressLen = list->ai_addrlen;
    int family = list->ai_family;
    freeaddrinfo(list);
    std::uint16_t netPort = htons(static_cast<std::uint16_t>(port));
    if (family == AF_INET6)
        reinterpret_cast<sockaddr_in6*>(&address)->sin6_port = netPort;
    else
        reinterpret_cast<sockaddr_in*>(&address)->sin_port = netPort;

    // The handle stays local until the connect completes: a Close from another
    // thread then only has to mark the object aborted.
    int fd;
    {
        std::lock_guard lock(hLockSd);
        if (FAborted) {
            SetLastError(u"Socket was aborted", 0);
            return false;
        }
        fd = socket(family, SOCK_STREAM | SOCK_CLOEXEC, IPPROTO_TCP);
        if (fd == -1) {
            int code = errno;
            RecordSystemError(u"Cannot create TCP/IP socket:\r\n", code);
            return false;
        }
    }
    SwitchKeepAliveOn(fd);

    bool timed = FConnectionTimeout > 0;
    if (timed) fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
    bool ok;
    if (connect(fd, reinterpret_cast<sockaddr*>(&address), addressLen) == 0) {
        ok = true;
    } else if (errno == EINPROGRESS || errno == EINTR) {
        ok = WaitForConnect(fd, host);
    } else {
        int code = errno;
        RecordSystemError((u"Cannot connect to server on host '" + host + u"':\r\n").c_str(), code);
        ok = false;
    }
    if (ok && timed) fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);

    std::lock_guard lock(hLockSd);
    if (ok && FAborted) {
        SetLastError(u"Socket was aborted", 0);
        ok = false;
    }
    if (!ok) {
        ::close(fd);
        return false;
    }
    FSd.store(fd);
    FRemoteSockAddr = address;
    socklen_t localLen = sizeof FLocalSockAddr;
    getsockname(fd, reinterpret_cast<sockaddr*>(&FLocalSockAddr), &localLen);
    return true;
}

bool TCRVioTcp::WaitForConnect(int fd, const UString& host) {
    using Clock = std::chrono::steady_clock;
    bool timed = FConnectionTimeout > 0;
    long long limitMs = timed ? std::min<long long>(static_cast<long long>(FConnectionTimeout) * 1000, INT_MAX) : 0;
    auto deadline = Clock::now() + std::chrono::milliseconds(limitMs);
    for (;;) {
        {
            std::lock_guard lock(hLockSd);
            if (FAborted) {
                SetLastError(u"Socket was aborted", 0);
                return false;
            }
        }
        int slice = kConnectPollSliceMs;
        if (timed) {
            auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
            if (left <= 0) {
                SetLastError(Format(u"Cannot connect to server on host '%s': Connection timed out", {host}), ETIMEDOUT);
                return false;
            }
            slice = static_cast<int>(std::min<long long>(left, slice));
        }
        pollfd p{fd, POLLOUT, 0};
        int r = poll(&p, 1, slice);
        if (r < 0 && errno != EINTR) {
            RecordSystemError((u"Cannot connect to server on host '" + host + u"':\r\n").c_str(), errno);
            return false;
        }
        if (r > 0) break;
    }
    int error = 0;
    socklen_t len = sizeof error;
    if (getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &len) != 0) error = errno;
    if (error != 0) {
        RecordSystemError((u"Cannot connect to server on host '" + host + u"':\r\n").c_str(), error);
        return false;
    }
    return true;
}

int TCRVioTcp::ReadNoWait(std::uint8_t* buffer, int offset, int count) {
    int fd = FSd.load();
    if (fd == -1) RaiseSocketNotConnected();
    ssize_t r;
    do {
        r = recv(fd, buffer + offset, static_cast<std::size_t>(count), 0);
    } while (r < 0 && errno == EINTR);
    if (r < 0) {
        RecordSystemError(u"Error on data reading from the connection:\r\n", errno);
        return 0;
    }
    return static_cast<int>(r);
}

int TCRVioTcp::WriteNoWait(const std::uint8_t* buffer, int offset, int count) {
    int fd = FSd.load();
    if (fd == -1) RaiseSocketNotConnected();
    ssize_t r;
    do {
        // MSG_NOSIGNAL: a peer that has gone must give an error, not end the process.
        r = send(fd, buffer + offset, static_cast<std::size_t>(count), MSG_NOSIGNAL);
    } while (r < 0 && errno == EINTR);
    if (r < 0) {
        RecordSystemError(u"Error on data writing to the connection:\r\n", errno);
        return 0;
    }
    return static_cast<int>(r);
}

int TCRVioTcp::Write(const std::uint8_t* buffer, int offset, int count) {
    if (FSd.load() == -1) {
        SetLastError(u"Error on data writing to the connection: Invalid socket", 0);
        return 0;
    }
    return TCRVio::Write(buffer, offset, count);
}

int TCRVioTcp::GetAvailable() {
    int fd = FSd.load();
    if (fd == -1) RaiseSocketNotConnected();
    int pending = 0;
    if (ioctl(fd, FIONREAD, &pending) != 0) {
        int code = errno;
        throw SocketException(u"Error on retrieving socket options:\r\n" + SocketErrorTail(code), code);
    }
    // Bytes already in the read-ahead buffer are readable without blocking too.
    return pending + (FBufferLen - FBufferPos);
}

void TCRVioTcp::CloseSocket() {
    TCRVioSocket::CloseSocket();
    std::lock_guard lock(hLockSd);
    FLocalSockAddr = {};
    FRemoteSockAddr = {};
}

}  // namespace brevant
