#include "mysql/wire/TCRVio.h"

#include <cstring>
#include <thread>

#include "core/Format.h"

namespace brevant {

void RaiseSocketNotConnected() { throw SocketException(u"Socket not connected"); }

UString SystemErrorText(int code) {
    char buf[256];
    // The GNU strerror_r returns the text, which may or may not live in buf.
    const char* text = strerror_r(code, buf, sizeof buf);
    return Utf8ToUtf16(text);
}

UString SocketErrorTail(int code) {
    return Format(u"%s.\r\nSocket Error Code: %d($%X)", {SystemErrorText(code), code, code});
}

TCRVio::TCRVio() = default;
TCRVio::~TCRVio() = default;

void TCRVio::SetOnClose(std::function<void()> onClose) {
    std::lock_guard lock(FEvClose);
    FOnClose = std::move(onClose);
}

void TCRVio::ResetForConnect() {
    {
        std::lock_guard lock(FEvClose);
        FClosing = false;
    }
    if (!FBuffer) FBuffer = std::make_unique<std::uint8_t[]>(READ_AHEAD_SIZE);
    FBufferLen = 0;
    FBufferPos = 0;
    FLastError.clear();
    FLastErrorCode = 0;
}

void TCRVio::Close() {
    {
        std::lock_guard lock(FEvClose);
        if (FClosing) return;
        FClosing = true;
    }
    BeforeClosing();
    InternalClose();
    std::function<void()> onClose;
    {
        std::lock_guard lock(FEvClose);
        onClose.swap(FOnClose);
    }
    if (onClose) {
        try {
            onClose();
        } catch (...) {
            // A failing listener must not turn a close into a failure.
        }
    }
}

int TCRVio::Read(std::uint8_t* buffer, int offset, int count) {
    int delivered = 0;
    auto takeBuffered = [&] {
        int n = std::min(count - delivered, FBufferLen - FBufferPos);
        if (n > 0) {
            std::memcpy(buffer + offset + delivered, FBuffer.get() + FBufferPos, n);
            FBufferPos += n;
            delivered += n;
        }
        if (FBufferPos >= FBufferLen) FBufferLen = FBufferPos = 0;
    };

    takeBuffered();
    if (delivered >= count) return delivered;

    // Small reads (packet headers, short packets) refill the read-ahead buffer so
    // that one receive serves many of them.
    if (count - delivered < READ_AHEAD_LIMIT && FBuffer) {
        int n = ReadNoWait(FBuffer.get(), 0, READ_AHEAD_SIZE);
        if (n == 0 && !FLastError.empty()) return delivered;
        FBufferLen = n;
        FBufferPos = 0;
        takeBuffered();
    }
    // Large reads go straight into the caller's memory.
    while (delivered < count) {
        int n = ReadNoWait(buffer, offset + delivered, count - delivered);
        if (n == 0) break;
        delivered += n;
    }
    return delivered;
}

int TCRVio::Write(const std::uint8_t* buffer, int offset, int count) {
    int sent = 0;
    int idleCalls = 0;
    while (sent < count) {
        int n = WriteNoWait(buffer, offset + sent, count - sent);
        if (n > 0) {
            sent += n;
            idleCalls = 0;
            continue;
        }
        if (!FLastError.empty() || ++idleCalls >= 3) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return sent;
}

}  // namespace brevant
