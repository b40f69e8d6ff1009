#include "data/TBlockManager.h"

#include <cstdlib>
#include <cstring>
#include <new>

#include "core/Abort.h"

namespace brevant {

void TBlockManager::SetRecordSize(std::size_t size) {
    FRecordSize = size;
    FItemStride = (sizeof(TItemHeader) + size + 7) / 8 * 8;
}

TBlockHeader* TBlockManager::AllocBlock(int itemCount, bool toFreeList) {
    BREVANT_ASSERT(itemCount > 0 && itemCount <= 0xFFFF);
    const std::size_t bytes = BlockHeaderSize + FItemStride * static_cast<std::size_t>(itemCount);
    // Zeroed: a record is never read before its values are written, and an empty slot
    // reads as no value rather than as an old reference.
    auto* block = static_cast<TBlockHeader*>(std::calloc(1, bytes));
    if (!block) throw std::bad_alloc();
    FAllocatedBytes += bytes;
    block->ItemCount = static_cast<std::uint16_t>(itemCount);
    block->UsedItems = 0;
    block->Prev = nullptr;
    block->Next = FFirstBlock;
    if (FFirstBlock) FFirstBlock->Prev = block;
    FFirstBlock = block;
    for (int i = 0; i < itemCount; ++i) {
        TItemHeader* item = Item(block, i);
        item->Block = block;
        item->Flag = flFree;
    }
    if (toFreeList)
        for (int i = itemCount - 1; i >= 0; --i) PutFreeItem(Item(block, i));
    return block;
}

void TBlockManager::RemoveFree(TItemHeader* item) {
    if (item->Prev) item->Prev->Next = item->Next;
    else if (FFirstFree == item) FFirstFree = item->Next;
    if (item->Next) item->Next->Prev = item->Prev;
    item->Prev = item->Next = nullptr;
}

void TBlockManager::FreeBlock(TBlockHeader* block) {
    for (int i = 0; i < block->ItemCount; ++i) {
        TItemHeader* item = Item(block, i);
        if (item->Flag == flFree && (item->Prev || item->Next || FFirstFree == item)) RemoveFree(item);
    }
    if (block->Prev) block->Prev->Next = block->Next;
    else FFirstBlock = block->Next;
    if (block->Next) block->Next->Prev = block->Prev;
    FAllocatedBytes -= BlockHeaderSize + FItemStride * block->ItemCount;
    std::free(block);
}

void TBlockManager::FreeAllBlocks() {
    while (FFirstBlock) {
        TBlockHeader* next = FFirstBlock->Next;
        std::free(FFirstBlock);
        FFirstBlock = next;
    }
    FFirstFree = nullptr;
    FAllocatedBytes = 0;
}

TItemHeader* TBlockManager::AllocItem() {
    if (!FFirstFree) AllocBlock(DefaultItemCount, true);
    TItemHeader* item = FFirstFree;
    BREVANT_ASSERT(item->Flag == flFree);
    RemoveFree(item);
    item->Flag = flUsed;
    ++item->Block->UsedItems;
    std::memset(item->Record(), 0, FRecordSize);
    return item;
}

void TBlockManager::PutFreeItem(TItemHeader* item) {
    item->Flag = flFree;
    item->Prev = nullptr;
    item->Next = FFirstFree;
    if (FFirstFree) FFirstFree->Prev = item;
    FFirstFree = item;
}

void TBlockManager::FreeItem(TItemHeader* item) {
    BREVANT_ASSERT(item->Flag == flUsed);
    TBlockHeader* block = item->Block;
    item->Flag = flFree;
    item->Prev = item->Next = nullptr;
    if (--block->UsedItems == 0) {
        FreeBlock(block);
        return;
    }
    PutFreeItem(item);
}

}  // namespace brevant
