#pragma once
// The heap of out-of-record strings and byte strings. Small buffers (up to SmallSize
// bytes) come from size-class free lists and 16 KB blocks and are released in one
// sweep by Clear; larger ones are allocated one by one. Every buffer is preceded by
// its size and a 16-bit use count whose single-owner value is RefNull.

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "core/Text.h"

namespace brevant {

class TStringHeap {
public:
    static constexpr std::size_t SmallSize = 2000;
    static constexpr std::size_t BlockSize = 16384;
    static constexpr std::size_t Align = 8;
    static constexpr std::uint16_t RefNull = 101;

    TStringHeap() = default;
    ~TStringHeap();
    TStringHeap(const TStringHeap&) = delete;
    TStringHeap& operator=(const TStringHeap&) = delete;

    /// A buffer of at least `size` bytes with a single owner.
    void* NewBuf(std::size_t size);
    /// A zero-terminated copy of the bytes / the UTF-16 units.
    char* AllocStr(std::string_view bytes);
    char16_t* AllocWideStr(UStringView text);
    /// A further owner of the buffer.
    static void AddRef(void* buf);
    /// Gives up one owner; the last one returns the buffer to its free list (or the
    /// system). Fails with "DisposeBuf failed" for an invalid use count and "SmallTab in
    /// DisposeBuf failed" for a buffer without a size.
    void DisposeBuf(void* buf);
    /// Releases every block and empties the free lists.
    void Clear();

    /// Capacity of the buffer (its request rounded up to the alignment).
    static std::size_t BufSize(const void* buf);
    static std::uint16_t RefCount(const void* buf);
    /// True when the buffer came from the system, not from a block.
    static bool IsLarge(const void* buf) { return BufSize(buf) > SmallSize; }
    /// Bytes the heap holds from the system (blocks and large buffers).
    std::size_t AllocatedBytes() const { return FBlockBytes + FLargeBytes; }

private:
    struct THeader {
        std::uint32_t Size;
        std::uint16_t Pad;
        std::uint16_t RefCount;
    };
    static_assert(sizeof(THeader) == Align);
    static THeader* Header(const void* buf) {
        return reinterpret_cast<THeader*>(const_cast<char*>(static_cast<const char*>(buf)) - sizeof(THeader));
    }
    struct TFree {
        TFree* Next;
    };
    static constexpr std::size_t kClasses = SmallSize / Align + 1;

    void* FromClass(std::size_t size);
    void PutFree(char* start, std::size_t bytes);

    TFree* FFree[kClasses] = {};  // by data size / Align
    std::vector<char*> FBlocks;
    char* FCur = nullptr;  // the unused rest of the current block
    std::size_t FCurLeft = 0;
    std::size_t FBlockBytes = 0, FLargeBytes = 0;
    // Large buffers are linked through a prefix before their header, so that a
    // dispose unlinks in constant time and Clear frees them too.
    struct TLargeLink {
        TLargeLink* Prev;
        TLargeLink* Next;
    };
    TLargeLink* FLarge = nullptr;
};

}  // namespace brevant
