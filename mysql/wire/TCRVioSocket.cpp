#include "mysql/wire/TCRVioSocket.h"

#include <cerrno>
#include <poll.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

namespace brevant {

TCRVioSocket::TCRVioSocket() = default;

TCRVioSocket::TCRVioSocket(UString hostname, TIPVersion ipVersion, int port)
    : FHostName(std::move(hostname)), FPort(port), FIPVersion(ipVersion) {}

TCRVioSocket::~TCRVioSocket() {
    try {
        Close();
    } catch (...) {
    }
}

void TCRVioSocket::SetTimeout(int seconds) {
    SetReceiveTimeout(seconds);
    SetConnectionTimeout(seconds);
}

void TCRVioSocket::SetSendTimeout(int seconds) {
    if (seconds == FSendTimeout) return;
    FSendTimeout = seconds;
    int fd = FSd.load();
    if (fd != -1 && !ApplySendTimeout(fd)) throw SocketException(FLastError, FLastErrorCode);
}

void TCRVioSocket::SetReceiveTimeout(int seconds) {
    if (seconds == FReceiveTimeout) return;
    FReceiveTimeout = seconds;
    int fd = FSd.load();
    if (fd != -1 && !ApplyReceiveTimeout(fd)) throw SocketException(FLastError, FLastErrorCode);
}

void TCRVioSocket::SetSendBuffer(int bytes) {
    if (bytes == FSendBuffer) return;
    FSendBuffer = bytes;
    int fd = FSd.load();
    if (fd != -1 && !ApplyBufferSizes(fd)) throw SocketException(FLastError, FLastErrorCode);
}

void TCRVioSocket::SetReceiveBuffer(int bytes) {
    if (bytes == FReceiveBuffer) return;
    FReceiveBuffer = bytes;
    int fd = FSd.load();
    if (fd != -1 && !ApplyBufferSizes(fd)) throw SocketException(FLastError, FLastErrorCode);
}

void TCRVioSocket::SetHost(UString host) {
    if (GetConnected()) throw SocketException(u"Cannot change host for the active connection");
    FHostName = std::move(host);
}

void TCRVioSocket::SetPort(int port) {
    if (GetConnected()) throw SocketException(u"Cannot change port for the active connection");
    FPort = port;
}

void TCRVioSocket::SetIPVersion(TIPVersion version) {
    if (GetConnected()) throw SocketException(u"Cannot change TCP/IP version for the active connection");
    FIPVersion = version;
}

void TCRVioSocket::SetBindAddress(UString address) {
    if (GetConnected()) throw SocketException(u"Cannot change host for the active connection");
    FBindAddress = std::move(address);
}

void TCRVioSocket::RecordSystemError(const char16_t* prefix, int code) {
    SetLastError(UString(prefix) + SocketErrorTail(code), code);
}

bool TCRVioSocket::ApplySendTimeout(int fd) {
    if (FSendTimeout < 1) return true;
    timeval tv{static_cast<time_t>(FSendTimeout), 0};
    if (setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &tv, sizeof tv) == 0) return true;
    RecordSystemError(u"Error on setting socket options:\r\n", errno);
    return false;
}

bool TCRVioSocket::ApplyReceiveTimeout(int fd) {
    // 0 means no limit, which is what a zero timeval says too.
    timeval tv{static_cast<time_t>(FReceiveTimeout < 0 ? 0 : FReceiveTimeout), 0};
    if (setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv) == 0) return true;
    RecordSystemError(u"Error on setting socket options:\r\n", errno);
    return false;
}

bool TCRVioSocket::ApplyBufferSizes(int fd) {
    if (FSendBuffer != DEFAULT_SOCKET_BUFFER && FSendBuffer > 0 &&
        setsockopt(fd, SOL_SOCKET, SO_SNDBUF, &FSendBuffer, sizeof FSendBuffer) != 0) {
        RecordSystemError(u"Error on setting socket options:\r\n", errno);
        return false;
    }
    if (FReceiveBuffer != DEFAULT_SOCKET_BUFFER &&
        setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &FReceiveBuffer, sizeof FReceiveBuffer) != 0) {
        RecordSystemError(u"Error on setting socket options:\r\n", errno);
        return false;
    }
    return true;
}

bool TCRVioSocket::WaitForData(int milliseconds) {
    int fd = FSd.load();
    if (fd == -1) RaiseSocketNotConnected();
    if (FBufferPos < FBufferLen) return true;
    pollfd p{fd, POLLIN, 0};
    int r;
    do {
        r = poll(&p, 1, milliseconds < 0 ? -1 : milliseconds);
    } while (r < 0 && errno == EINTR);
    if (r < 0) {
        int code = errno;
        if (FSd.load() == -1) return false;
        throw SocketException(u"Error on data waiting from the connection:\r\n" + SocketErrorTail(code), code);
    }
    return r > 0;
}

void TCRVioSocket::BeforeClosing() {
    std::lock_guard lock(hLockSd);
    int fd = FSd.load();
    if (fd != -1) shutdown(fd, SHUT_WR);
}

void TCRVioSocket::CloseSocket() {
    std::lock_guard lock(hLockSd);
    FAborted = true;
    int fd = FSd.exchange(-1);
    if (fd != -1) ::close(fd);
}

}  // namespace brevant
