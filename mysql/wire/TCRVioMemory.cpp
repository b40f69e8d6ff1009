#include "mysql/wire/TCRVioMemory.h"

#include <cstring>

namespace brevant {

TCRVioMemory::TCRVioMemory() { ResetForConnect(); }

void TCRVioMemory::Connect() {
    ResetForConnect();
    FConnected = true;
}

void TCRVioMemory::Feed(std::vector<std::uint8_t> chunk) {
    if (!chunk.empty()) FInput.push_back(std::move(chunk));
}

std::size_t TCRVioMemory::BytesLeft() const {
    std::size_t n = 0;
    for (const auto& c : FInput) n += c.size();
    return n - FInputPos + static_cast<std::size_t>(FBufferLen - FBufferPos);
}

int TCRVioMemory::ReadNoWait(std::uint8_t* buffer, int offset, int count) {
    ++FReceiveCalls;
    if (!FConnected) RaiseSocketNotConnected();
    if (FInput.empty()) {
        if (!FReadError.empty()) SetLastError(FReadError, 0);
        return 0;
    }
    const auto& chunk = FInput.front();
    std::size_t n = std::min(chunk.size() - FInputPos, static_cast<std::size_t>(count));
    std::memcpy(buffer + offset, chunk.data() + FInputPos, n);
    FInputPos += n;
    if (FInputPos == chunk.size()) {
        FInput.pop_front();
        FInputPos = 0;
    }
    return static_cast<int>(n);
}

int TCRVioMemory::WriteNoWait(const std::uint8_t* buffer, int offset, int count) {
    if (!FConnected) RaiseSocketNotConnected();
    std::size_t room = FWriteLimit > FOutput.size() ? FWriteLimit - FOutput.size() : 0;
    std::size_t n = std::min(room, static_cast<std::size_t>(count));
    if (n == 0) {
        SetLastError(u"Error on data writing to the connection: write limit reached", 0);
        return 0;
    }
    FOutput.insert(FOutput.end(), buffer + offset, buffer + offset + n);
    FWrites.push_back(n);
    return static_cast<int>(n);
}

}  // namespace brevant
