#include "paths/OdbcRowStore.h"

#include <cassert>
#include <cstring>
#include <stdexcept>

namespace brevant {

namespace {

std::size_t VarintSize(std::uint64_t v) {
    std::size_t n = 1;
    while (v >= 0x80) {
        v >>= 7;
        ++n;
    }
    return n;
}

void PutVarint(char* p, std::uint64_t v) {
    while (v >= 0x80) {
        *p++ = static_cast<char>((v & 0x7F) | 0x80);
        v >>= 7;
    }
    *p = static_cast<char>(v);
}

}  // namespace

void TOdbcRowStore::Reset(std::size_t columnCount) {
    FColumnCount = columnCount;
    FRowCount = 0;
    FBlocks.clear();
    FMarks.clear();
    FRowSize = FValueStart = FValueSize = FColumnsWritten = 0;
}

std::size_t TOdbcRowStore::MemoryBytes() const {
    std::size_t bytes = FMarks.capacity() * sizeof(TRowPos) + FBlocks.capacity() * sizeof(TBlock);
    for (const TBlock& b : FBlocks) bytes += b.Capacity;
    return bytes;
}

void TOdbcRowStore::Ensure(std::size_t n) {
    std::size_t pending = FRowSize + FValueSize;
    if (!FBlocks.empty() && Tail().Capacity - Tail().Used - pending >= n) return;
    // A new block; the row written so far moves along so that a row never spans blocks.
    std::size_t need = pending + n;
    std::size_t capacity = FBlocks.empty() ? MinBlock : std::min(MaxBlock, Tail().Capacity * 2);
    if (capacity < need) capacity = need + need / 2;  // a large value grows without copying each piece
    if (capacity > UINT32_MAX) throw std::length_error("A row of the result is larger than 4 GB");
    TBlock block;
    block.Data.reset(new char[capacity]);
    block.Capacity = capacity;
    if (pending) {
        TBlock& old = Tail();
        std::memcpy(block.Data.get(), old.Data.get() + old.Used, pending);
    }
    // A block that holds no finished row (a large value outgrew it) is replaced, so
    // that every block but the one being filled holds rows.
    if (!FBlocks.empty() && Tail().Used == 0)
        Tail() = std::move(block);
    else
        FBlocks.push_back(std::move(block));
}

void TOdbcRowStore::BeginRow() {
    FRowSize = FValueSize = FColumnsWritten = 0;
}

void TOdbcRowStore::AppendNull() {
    Ensure(1);
    Tail().Data[Tail().Used + FRowSize] = 0;
    ++FRowSize;
    ++FColumnsWritten;
}

void TOdbcRowStore::BeginValue() {
    Ensure(1);
    FValueStart = FRowSize;
    FValueSize = 0;
    ++FRowSize;  // one length byte; EndValue makes room for more when the value needs it
}

char* TOdbcRowStore::Space(std::size_t n) {
    Ensure(n);
    return Tail().Data.get() + Tail().Used + FRowSize + FValueSize;
}

void TOdbcRowStore::EndValue() {
    std::size_t lengthBytes = VarintSize(FValueSize + 1);
    if (lengthBytes > 1) {
        Ensure(lengthBytes - 1);
        char* value = Tail().Data.get() + Tail().Used + FRowSize;
        std::memmove(value + lengthBytes - 1, value, FValueSize);
    }
    PutVarint(Tail().Data.get() + Tail().Used + FValueStart, FValueSize + 1);
    FRowSize += lengthBytes - 1 + FValueSize;
    FValueSize = 0;
    ++FColumnsWritten;
}

void TOdbcRowStore::EndValueAsNull() {
    Tail().Data[Tail().Used + FValueStart] = 0;
    FValueSize = 0;
    ++FColumnsWritten;
}

void TOdbcRowStore::AppendValue(std::string_view bytes) {
    BeginValue();
    if (!bytes.empty()) std::memcpy(Space(bytes.size()), bytes.data(), bytes.size());
    Commit(bytes.size());
    EndValue();
}

void TOdbcRowStore::EndRow() {
    assert(FColumnsWritten == FColumnCount);
    if (FBlocks.empty()) Ensure(0);  // a result without columns still has rows
    TBlock& tail = Tail();
    if (FRowCount % RowsPerMark == 0)
        FMarks.push_back({static_cast<std::uint32_t>(FBlocks.size() - 1), static_cast<std::uint32_t>(tail.Used)});
    tail.Used += FRowSize;
    FRowSize = 0;
    ++FRowCount;
}

TOdbcRowStore::TRowPos TOdbcRowStore::Locate(std::int64_t row) const {
    if (row < 0 || row >= FRowCount) throw std::out_of_range("Row number out of range");
    TRowPos pos = FMarks[static_cast<std::size_t>(row / RowsPerMark)];
    for (std::int64_t skip = row % RowsPerMark; skip > 0; --skip) pos = Decode(pos, {});
    return pos;
}

TOdbcRowStore::TRowPos TOdbcRowStore::Decode(TRowPos pos, std::span<TOdbcValueView> out) const {
    if (FColumnCount == 0) return pos;
    // A row was written whole into one block, so once pos starts a row every byte read
    // here lies within that block's used part.
    if (pos.Block < FBlocks.size() && pos.Offset == FBlocks[pos.Block].Used) pos = {pos.Block + 1, 0};
    const TBlock& block = FBlocks.at(pos.Block);
    const char* p = block.Data.get() + pos.Offset;
    const char* end = block.Data.get() + block.Used;
    for (std::size_t col = 0; col < FColumnCount; ++col) {
        std::uint64_t v = 0;
        for (int shift = 0;; shift += 7) {
            if (p >= end || shift > 63) throw std::runtime_error("Damaged row in the result store");
            unsigned char byte = static_cast<unsigned char>(*p++);
            v |= static_cast<std::uint64_t>(byte & 0x7F) << shift;
            if (!(byte & 0x80)) break;
        }
        TOdbcValueView view;
        if (v != 0) {
            std::size_t size = static_cast<std::size_t>(v - 1);
            if (size > static_cast<std::size_t>(end - p)) throw std::runtime_error("Damaged row in the result store");
            view = {p, size, false};
            p += size;
        }
        if (col < out.size()) out[col] = view;
    }
    return {pos.Block, static_cast<std::uint32_t>(p - block.Data.get())};
}

}  // namespace brevant
