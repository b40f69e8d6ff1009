#pragma once
// The byte stream under the protocol client: blocking Read of an exact count,
// Write of a whole buffer, Close. It knows nothing of MySQL. Failures are kept as
// text in LastError with the system's error number in LastErrorCode and, where an
// operation cannot go on, raised as SocketException.

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <span>

#include "core/Errors.h"
#include "core/Text.h"

namespace brevant {

class SocketException : public Exception {
public:
    explicit SocketException(UString message, int errorCode = 0)
        : Exception(std::move(message)), FErrorCode(errorCode) {}
    /// The system's error number, 0 when none applies.
    int ErrorCode() const { return FErrorCode; }

private:
    int FErrorCode;
};

/// "Socket not connected": a transport used before it connects or after it closes.
[[noreturn]] void RaiseSocketNotConnected();

enum TIPVersion { ivIPv4 = 0, ivIPv6 = 1, ivIPBoth = 2 };

class TCRVio {
public:
    /// Size of the read-ahead buffer that serves small reads.
    static constexpr int READ_AHEAD_SIZE = 32768;
    /// Reads asking for fewer bytes than this refill the read-ahead buffer first.
    static constexpr int READ_AHEAD_LIMIT = 2048;

    TCRVio();
    virtual ~TCRVio();
    TCRVio(const TCRVio&) = delete;
    TCRVio& operator=(const TCRVio&) = delete;

    // Timeouts in seconds. Timeout reads the receive timeout and sets both the
    // receive and the connection timeout.
    virtual int GetTimeout() const { return 0; }
    virtual void SetTimeout(int) {}
    virtual int GetConnectionTimeout() const { return 0; }
    virtual void SetConnectionTimeout(int) {}
    virtual int GetSendTimeout() const { return 0; }
    virtual void SetSendTimeout(int) {}
    virtual int GetReceiveTimeout() const { return 0; }
    virtual void SetReceiveTimeout(int) {}

    virtual bool GetConnected() const = 0;
    virtual int GetAvailable() { return FBufferLen - FBufferPos; }

    /// Opens the stream; raises SocketException on failure.
    virtual void Connect() = 0;
    /// Idempotent; runs its body once even when two threads call it.
    virtual void Close();

    /// Blocks until `count` bytes are in buffer[offset..]; returns fewer only at the
    /// end of the stream or on an error (LastError set for errors).
    virtual int Read(std::uint8_t* buffer, int offset, int count);
    /// Sends all bytes; returns fewer only on failure (LastError set).
    virtual int Write(const std::uint8_t* buffer, int offset, int count);
    /// Waits until data is readable; a negative time waits without limit.
    virtual bool WaitForData(int milliseconds) { return FBufferPos < FBufferLen; }

    /// The received bytes waiting in the read-ahead buffer: the first bytes the
    /// next Read delivers. A reader that finds a whole message there may use it in
    /// place and then Consume it, sparing a copy and a call per message.
    std::span<const std::uint8_t> Buffered() const {
        return {FBuffer.get() + FBufferPos, static_cast<std::size_t>(FBufferLen - FBufferPos)};
    }
    /// Drops the first n (at most Buffered().size()) buffered bytes, as a Read of them would.
    void Consume(int n) {
        FBufferPos += n;
        if (FBufferPos >= FBufferLen) FBufferLen = FBufferPos = 0;
    }

    const UString& LastError() const { return FLastError; }
    int LastErrorCode() const { return FLastErrorCode; }
    /// Called once after the stream has closed.
    void SetOnClose(std::function<void()> onClose);

protected:
    /// One receive into buffer[offset..]: bytes received, 0 at end of stream or on
    /// error (with LastError set).
    virtual int ReadNoWait(std::uint8_t* buffer, int offset, int count) = 0;
    /// One send: bytes sent, 0 on error (with LastError set).
    virtual int WriteNoWait(const std::uint8_t* buffer, int offset, int count) = 0;
    virtual void BeforeClosing() {}
    virtual void InternalClose() {}

    /// Connect's reset: not closing, error cleared, read-ahead buffer empty.
    void ResetForConnect();
    void SetLastError(UString text, int code) {
        FLastError = std::move(text);
        FLastErrorCode = code;
    }

    bool FClosing = false;
    std::function<void()> FOnClose;
    std::mutex FEvClose;
    UString FLastError;
    int FLastErrorCode = 0;
    std::unique_ptr<std::uint8_t[]> FBuffer;
    int FBufferLen = 0;
    int FBufferPos = 0;
};

/// "<strerror text>.\r\nSocket Error Code: <n>($<hex>)", the tail of every message
/// that reports a system error.
UString SocketErrorTail(int code);
/// The system's text for an error number.
UString SystemErrorText(int code);

}  // namespace brevant
