#pragma once
// Records live in items carved out of blocks: one allocation serves many records.
// The block manager hands out items and keeps the unused ones on a free list.

#include <cstddef>
#include <cstdint>

namespace brevant {

struct TBlockHeader;

enum TItemStatus : std::uint8_t { isUnmodified, isUpdated, isAppended, isDeleted };
enum TUpdateRecAction : std::uint8_t { urFail, urAbort, urSkip, urRetry, urApplied, urNone, urSuspended };
enum TItemFilterState : std::uint8_t { fsNotChecked, fsNotOmitted, fsOmitted };
constexpr std::uint8_t flUsed = 0xEE;
constexpr std::uint8_t flFree = 0xDD;

/// Precedes each record.
struct TItemHeader {
    TBlockHeader* Block;
    TItemHeader* Prev;
    TItemHeader* Next;
    std::byte* Rollback;  // the record before an edit (cached updates)
    std::int32_t Order;
    std::int32_t SavedOrder;
    TItemStatus Status;
    TUpdateRecAction UpdateResult;
    std::uint8_t Flag;
    TItemFilterState FilterResult;

    std::byte* Record() { return reinterpret_cast<std::byte*>(this + 1); }
};

struct TBlockHeader {
    std::uint16_t ItemCount;
    std::uint16_t UsedItems;
    TBlockHeader* Prev;
    TBlockHeader* Next;
};

class TBlockManager {
public:
    static constexpr int DefaultItemCount = 25;

    TBlockManager() = default;
    ~TBlockManager() { FreeAllBlocks(); }
    TBlockManager(const TBlockManager&) = delete;
    TBlockManager& operator=(const TBlockManager&) = delete;

    /// Bytes of a record; set before the first block.
    void SetRecordSize(std::size_t size);
    std::size_t RecordSize() const { return FRecordSize; }
    /// Distance between items of a block (header and record, aligned).
    std::size_t ItemStride() const { return FItemStride; }

    /// A new block at the front of the list; its items are marked free, zeroed, and not
    /// on the free list. With `toFreeList` they are put there.
    TBlockHeader* AllocBlock(int itemCount, bool toFreeList = false);
    /// Frees the block; its items are taken off the free list first.
    void FreeBlock(TBlockHeader* block);
    void FreeAllBlocks();

    /// An item from the free list (a block of DefaultItemCount when it is empty).
    TItemHeader* AllocItem();
    /// Back to the free list; the block's last used item frees the whole block.
    void FreeItem(TItemHeader* item);
    /// Puts an unused item of a block on the free list.
    void PutFreeItem(TItemHeader* item);

    TItemHeader* Item(TBlockHeader* block, int index) const {
        return reinterpret_cast<TItemHeader*>(reinterpret_cast<std::byte*>(block) + BlockHeaderSize +
                                              FItemStride * static_cast<std::size_t>(index));
    }
    TBlockHeader* FirstBlock() const { return FFirstBlock; }
    TItemHeader* FirstFree() const { return FFirstFree; }
    /// Bytes held in blocks.
    std::size_t AllocatedBytes() const { return FAllocatedBytes; }

    static constexpr std::size_t BlockHeaderSize = (sizeof(TBlockHeader) + 7) / 8 * 8;

private:
    void RemoveFree(TItemHeader* item);

    std::size_t FRecordSize = 0;
    std::size_t FItemStride = sizeof(TItemHeader);
    TBlockHeader* FFirstBlock = nullptr;
    TItemHeader* FFirstFree = nullptr;
    std::size_t FAllocatedBytes = 0;
};

}  // namespace brevant
