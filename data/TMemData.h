#pragma once
// The in-memory record store: fixed-size binary records in a doubly linked list of
// items carved out of blocks, with a cursor, a record count and 1-based record
// numbers. Strings and byte strings of 32 characters or more and large objects
// live outside the record (string heap, TBlob) and the record refers to them.
//
// Record buffers handed in and out (GetRecord, PutRecord, the edit operations)
// are RecordSize bytes; AllocRecBuf gives one. A record owns its out-of-record
// values: PutRecord moves them into the store, GetRecord shares them with the
// stored record, EditRecord gives the store fresh copies so that the edit buffer
// owns the originals.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/Text.h"
#include "core/Variant.h"
#include "data/DataTypeInfo.h"
#include "data/FieldDesc.h"
#include "data/TBlob.h"
#include "data/TBlockManager.h"
#include "data/TStringHeap.h"

namespace brevant {

struct TRecBookmark {
    int RefreshIteration = 0;
    TItemHeader* Item = nullptr;
    int Order = -1;  // the record number; -1 when there was no current item
};

class TMemData : public TData {
public:
    TMemData();
    virtual ~TMemData();
    TMemData(const TMemData&) = delete;
    TMemData& operator=(const TMemData&) = delete;

    // --- Fields and layout ---
    std::vector<std::unique_ptr<TFieldDesc>>& Fields() { return FFields; }
    const std::vector<std::unique_ptr<TFieldDesc>>& Fields() const { return FFields; }
    int FieldCount() const { return static_cast<int>(FFields.size()); }
    TFieldDesc& Field(int index) const { return *FFields[static_cast<std::size_t>(index)]; }
    /// Lays out the record for the fields: offsets, sizes, null indicators.
    void InitFields();
    std::size_t RecordSize() const { return FRecordSize; }
    std::size_t DataSize() const { return FDataSize; }
    /// The changed-field bitmap after the null indicators (off by default).
    bool InsertAllSetFields = false;
    bool CachedUpdates = false;

    // --- Lifecycle ---
    /// Empty store, cursor before the first record, new refresh iteration.
    void InitData();
    /// Releases every record and its out-of-record values, then InitData.
    void FreeData();

    // --- Record buffers ---
    /// A new record: every field NULL, empty large objects in the large-object slots.
    /// FreeRecBuf releases its out-of-record values and the buffer.
    std::byte* AllocRecBuf();
    /// Clears a buffer (no out-of-record values must be left in it) to a new record.
    void InitRecord(std::byte* recBuf);
    void FreeRecBuf(std::byte* recBuf);
    /// Empty large objects in every large-object slot that has none.
    void CreateComplexFields(std::byte* recBuf);
    /// Releases the buffer's out-of-record values and clears their slots.
    void FreeComplexFields(std::byte* recBuf);
    /// Replaces every out-of-record value of the buffer by a copy of its own.
    void CopyComplexFields(std::byte* recBuf);
    /// Starts every large object of the buffer taking a rollback copy at its next write.
    void SetBlobsNeedRollback(std::byte* recBuf, bool value);

    // --- Navigation ---
    void SetToBegin();
    void SetToEnd();
    bool GetBOF() const { return !FCurrentItem && FBOF; }
    bool GetEOF() const { return !FCurrentItem && FEOF; }
    /// Move the cursor and copy the record into recBuf when one is given. False when
    /// the cursor moved off the records.
    virtual bool GetNextRecord(std::byte* recBuf);
    virtual bool GetPriorRecord(std::byte* recBuf);
    /// Copy the current record out (its out-of-record values shared) / in (moved).
    void GetRecord(std::byte* recBuf) const;
    void PutRecord(const std::byte* recBuf);
    int GetRecordCount() const { return FRecordCount; }
    int GetRecordNo() const;
    void SetRecordNo(int n);
    bool HasCurrent() const { return FCurrentItem != nullptr; }

    // --- Field access on a record buffer ---
    std::byte* FieldSlot(const TFieldDesc& field, std::byte* recBuf) const { return recBuf + field.Offset; }
    const std::byte* FieldSlot(const TFieldDesc& field, const std::byte* recBuf) const {
        return recBuf + field.Offset;
    }
    /// A large-object field with content counts as not NULL (and its indicator is cleared).
    bool GetNull(const TFieldDesc& field, std::byte* recBuf) const;
    void SetNull(const TFieldDesc& field, std::byte* recBuf, bool value);
    /// The bytes of a value (strings: their bytes or UTF-16 units without the zero;
    /// numbers and dates: the slot); empty for NULL.
    std::string GetFieldData(const TFieldDesc& field, std::byte* recBuf) const;
    /// Writes a value from its bytes in the same form and clears the NULL indicator.
    /// Strings and byte strings longer than the field are cut to it.
    void PutFieldData(const TFieldDesc& field, std::byte* recBuf, std::string_view data);
    TVariant GetDataAsVariant(const TFieldDesc& field, std::byte* recBuf) const;
    /// EConvertError when the value does not fit the field's type.
    void PutDataAsVariant(const TFieldDesc& field, std::byte* recBuf, const TVariant& value);
    /// The large object of a large-object slot (null when none).
    TBlob* GetBlob(const TFieldDesc& field, const std::byte* recBuf) const;
    /// Puts a value (taking over the caller's reference) into the slot, releasing the old one.
    void SetBlob(const TFieldDesc& field, std::byte* recBuf, TBlob* blob);

    // --- Editing ---
    /// Gives the current item fresh copies of its out-of-record values, so that the edit
    /// buffer (a GetRecord copy) owns the originals.
    void EditRecord(std::byte* recBuf);
    /// Writes the edit buffer into the current item (after OnUpdate), commits its large
    /// objects and releases the old record's values.
    void PostRecord(std::byte* recBuf);
    /// Restores the edit buffer's large objects and releases its values.
    void CancelRecord(std::byte* recBuf);
    /// A new record before the current one (after the last when the cursor is after it).
    void InsertRecord(std::byte* recBuf);
    void AppendRecord(std::byte* recBuf);
    void UpdateRecord(std::byte* recBuf);
    void DeleteRecord();
    /// The server writes; a hook that raises leaves the store as it was.
    std::function<void()> OnAppend, OnUpdate, OnDelete;

    // --- Bookmarks ---
    void GetBookmark(TRecBookmark& bookmark) const;
    void SetToBookmark(const TRecBookmark& bookmark);
    /// <0, 0, >0 by record order; missing bookmarks (no item) sort first.
    int CompareBookmarks(const TRecBookmark& a, const TRecBookmark& b) const;

    // --- Inspection ---
    TItemHeader* FirstItem() const { return FFirstItem; }
    TItemHeader* LastItem() const { return FLastItem; }
    TItemHeader* CurrentItem() const { return FCurrentItem; }
    int RecordNoOffset() const { return FRecordNoOffset; }
    int RefreshIteration() const { return FRefreshIteration; }
    TBlockManager& BlockManager() { return FBlockMan; }
    TStringHeap& StringHeap() { return FStringHeap; }
    /// Bytes held from the system by the blocks and the string heap.
    std::size_t AllocatedBytes() const { return FBlockMan.AllocatedBytes() + FStringHeap.AllocatedBytes(); }

protected:
    /// Reads one more block of records; false when no more come. The plain store has none.
    virtual bool Fetch(bool fetchBack = false);
    /// Links the first `count` items of a fetched block after the last item, numbered on
    /// from the last order; the rest of the block goes to the free list.
    void AddFetchedItems(TBlockHeader* block, int count);
    /// Takes every item (and its values) out of the store, keeping the record count:
    /// a forward-only reader's previous block.
    void ReleaseItems();
    /// Releases the out-of-record values of a stored record.
    void FreeRecordValues(std::byte* record);
    void DropRecordNoCache() {}

    std::vector<std::unique_ptr<TFieldDesc>> FFields;
    TBlockManager FBlockMan;
    TStringHeap FStringHeap;
    TItemHeader* FFirstItem = nullptr;
    TItemHeader* FLastItem = nullptr;
    TItemHeader* FCurrentItem = nullptr;
    bool FBOF = true, FEOF = true;
    int FRecordCount = 0;
    int FRecordNoOffset = 0;
    int FRowsFetched = 0;
    int FRefreshIteration = 0;
    std::size_t FDataSize = 0, FRecordSize = 0;
    std::vector<const TFieldDesc*> FComplexFields;  // fields whose slot refers outside the record

private:
    void LinkBefore(TItemHeader* item, TItemHeader* next);
    void Unlink(TItemHeader* item);
    void ReorderAfterInsert(TItemHeader* item);
    void ReorderAfterDelete(TItemHeader* prev, TItemHeader* next);
    bool IsInList(const TItemHeader* item) const;
    std::uint8_t* NullFlags(std::byte* recBuf) const { return reinterpret_cast<std::uint8_t*>(recBuf + FDataSize); }
    void ReleaseSlot(const TFieldDesc& field, std::byte* recBuf);
    void* GetRef(const TFieldDesc& field, const std::byte* recBuf) const;
    void SetRef(const TFieldDesc& field, std::byte* recBuf, const void* ref);
};

}  // namespace brevant
