#pragma once
// A socket endpoint: host, port, IP version, timeouts and buffer sizes, and the
// socket handle guarded by hLockSd so that a Close from another thread cannot race
// a connect in progress.

#include <atomic>
#include <mutex>

#include "mysql/wire/TCRVio.h"

namespace brevant {

class TCRVioSocket : public TCRVio {
public:
    static constexpr int DEFAULT_SOCKET_BUFFER = 8192;

    TCRVioSocket();
    TCRVioSocket(UString hostname, TIPVersion ipVersion, int port);
    ~TCRVioSocket() override;

    int GetTimeout() const override { return FReceiveTimeout; }
    void SetTimeout(int seconds) override;
    int GetConnectionTimeout() const override { return FConnectionTimeout; }
    void SetConnectionTimeout(int seconds) override { FConnectionTimeout = seconds; }
    int GetSendTimeout() const override { return FSendTimeout; }
    void SetSendTimeout(int seconds) override;
    int GetReceiveTimeout() const override { return FReceiveTimeout; }
    void SetReceiveTimeout(int seconds) override;

    int GetSendBuffer() const { return FSendBuffer; }
    void SetSendBuffer(int bytes);
    int GetReceiveBuffer() const { return FReceiveBuffer; }
    void SetReceiveBuffer(int bytes);

    // Refused while connected.
    const UString& GetHost() const { return FHostName; }
    void SetHost(UString host);
    int GetPort() const { return FPort; }
    void SetPort(int port);
    TIPVersion GetIPVersion() const { return FIPVersion; }
    void SetIPVersion(TIPVersion version);
    const UString& GetBindAddress() const { return FBindAddress; }
    void SetBindAddress(UString address);

    bool GetConnected() const override { return FSd.load() != -1; }
    bool WaitForData(int milliseconds) override;
    /// The socket handle, -1 when there is none.
    int GetSocket() const { return FSd.load(); }

protected:
    void BeforeClosing() override;
    void InternalClose() override { CloseSocket(); }
    /// Marks the object aborted (a connect in progress stops) and closes the handle.
    virtual void CloseSocket();

    /// Option setters for a live socket; false with LastError set on failure.
    bool ApplySendTimeout(int fd);
    bool ApplyReceiveTimeout(int fd);
    bool ApplyBufferSizes(int fd);
    void RecordSystemError(const char16_t* prefix, int code);

    UString FBindAddress;
    UString FHostName;
    int FPort = 0;
    int FConnectionTimeout = 0;
    int FSendTimeout = 0;
    int FReceiveTimeout = 30;
    int FSendBuffer = DEFAULT_SOCKET_BUFFER;
    int FReceiveBuffer = DEFAULT_SOCKET_BUFFER;
    TIPVersion FIPVersion = ivIPv4;
    std::mutex hLockSd;
    std::atomic<int> FSd{-1};
    bool FAborted = false;  // guarded by hLockSd
};

}  // namespace brevant
