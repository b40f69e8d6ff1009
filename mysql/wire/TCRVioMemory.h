#pragma once
// An in-memory byte stream for the packet layer: reads come from byte chunks fed
// in advance (one receive delivers at most one chunk, as a socket delivers what has
// arrived), writes are collected. Lets protocol code run without a socket.

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "mysql/wire/TCRVio.h"

namespace brevant {

class TCRVioMemory : public TCRVio {
public:
    TCRVioMemory();

    /// Queues bytes for the reader as one chunk.
    void Feed(std::vector<std::uint8_t> chunk);
    void Feed(const std::uint8_t* data, std::size_t size) { Feed(std::vector<std::uint8_t>(data, data + size)); }
    /// When the fed bytes run out, receives fail with this text instead of ending
    /// the stream quietly.
    void SetReadError(UString text) { FReadError = std::move(text); }
    /// Sends fail with an error once this many bytes have been written.
    void SetWriteLimit(std::size_t bytes) { FWriteLimit = bytes; }

    const std::vector<std::uint8_t>& Output() const { return FOutput; }
    void ClearOutput() { FOutput.clear(); }
    /// Sizes of the single sends, in order.
    const std::vector<std::size_t>& Writes() const { return FWrites; }
    int ReceiveCalls() const { return FReceiveCalls; }
    std::size_t BytesLeft() const;

    bool GetConnected() const override { return FConnected; }
    void Connect() override;

protected:
    int ReadNoWait(std::uint8_t* buffer, int offset, int count) override;
    int WriteNoWait(const std::uint8_t* buffer, int offset, int count) override;
    void InternalClose() override { FConnected = false; }

private:
    std::deque<std::vector<std::uint8_t>> FInput;
    std::size_t FInputPos = 0;  // within FInput.front()
    UString FReadError;
    std::size_t FWriteLimit = SIZE_MAX;
    std::vector<std::uint8_t> FOutput;
    std::vector<std::size_t> FWrites;
    int FReceiveCalls = 0;
    bool FConnected = true;
};

}  // namespace brevant
