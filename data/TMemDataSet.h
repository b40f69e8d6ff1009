#pragma once
// A dataset over the in-memory record store: the frame's record buffer is the
// store's record followed by the record information (number, update status,
// bookmark flag) and the store's bookmark; fields are made from the store's field
// descriptors at open; Post, Insert and Delete go through the store, whose hooks
// call PerformUpdate / PerformAppend / PerformDelete before the store changes.
//
// Values are read in place: text and bytes are views into the record or the
// store's string heap, large objects are read through the store's TBlob.

#include <cstdint>
#include <memory>
#include <vector>

#include "data/TDataSet.h"
#include "data/TMemData.h"

namespace brevant {

/// The record information block behind the store's record in a dataset buffer.
struct TRecInfo {
    std::int32_t RecordNumber = 0;
    std::uint8_t UpdateStatus = 0;
    std::uint8_t BookmarkFlag = 0;
    std::uint8_t Reserved[2] = {};
};
static_assert(sizeof(TRecInfo) == 8);

class TMemDataSet : public TDataSet {
public:
    TMemDataSet();
    ~TMemDataSet() override;

    /// The store, made on first use.
    TMemData& Data();
    /// The descriptor a field was made from.
    TFieldDesc& FieldDesc(const TField& field) const { return *FFieldDescs.at(static_cast<std::size_t>(field.Index())); }
    std::size_t RecInfoOfs() const { return FRecInfoOfs; }
    std::size_t BookmarkOfs() const { return FRecInfoOfs + sizeof(TRecInfo); }
    static constexpr std::size_t BookmarkSize = sizeof(TRecBookmark);

protected:
    /// The store's class (the record set over a server in the subclasses).
    virtual std::unique_ptr<TMemData> CreateData();
    /// Fills the store and its descriptors; the plain dataset shows the store as it is.
    virtual void OpenData();
    /// Releases the store's records.
    virtual void CloseData();
    /// Whether descriptors marked Required make required fields.
    virtual bool RequiredFieldsOption() const { return false; }
    /// The server writes, called by the store before it changes; a failure leaves it as it was.
    virtual void PerformUpdate() {}
    virtual void PerformAppend() {}
    virtual void PerformDelete() {}
    /// Makes one field per data descriptor, in column order.
    virtual void CreateFieldsFromDescs();

    void InternalOpen() override;
    void InternalClose() override;
    std::size_t GetRecordSize() const override { return FBufferSize; }
    TGetResult GetRecord(TRecordBuffer buffer, TGetMode mode) override;
    void InternalFirst() override;
    void InternalLast() override;
    void InternalSetToRecord(TRecordBuffer buffer) override;
    void InternalInitRecord(TRecordBuffer buffer) override;
    void InternalEdit() override;
    void InternalInsert(bool append) override;
    void InternalPost() override;
    void InternalCancel() override;
    void InternalDelete() override;
    void InternalRefresh() override;
    int GetRecNo(TRecordBuffer buffer) const override;
    void InternalSetRecNo(int value) override;
    int GetRecordCount() const override;
    void GetFieldData(const TField& field, const std::uint8_t* buffer, TFieldValue& value) const override;
    void SetFieldData(TField& field, TRecordBuffer buffer, const TFieldValue& value) override;
    TBlobContent* GetBlobContent(const TField& field, TRecordBuffer buffer, bool forWrite) override;
    bool GetFieldDataAt(int recNo, const TField& field, TFieldValue& value) override;

    std::unique_ptr<TMemData> FData;

private:
    class BlobView;
    std::byte* Rec(const std::uint8_t* buffer) const { return reinterpret_cast<std::byte*>(const_cast<std::uint8_t*>(buffer)); }
    void FillRecInfo(TRecordBuffer buffer);
    void ReadSlot(const TField& field, std::byte* record, TFieldValue& value, std::vector<BlobView>& views) const;
    /// Items by record number, for reading row N without the cursor; rebuilt on change.
    void BuildItemIndex();

    std::vector<TFieldDesc*> FFieldDescs;
    std::size_t FRecInfoOfs = 0, FBufferSize = 0;
    mutable std::vector<BlobView> FActiveViews, FRowViews, FStreamViews;
    std::vector<TItemHeader*> FItemIndex;
    bool FItemIndexValid = false;
    TRecBookmark FInsertPlace;
    bool FInsertAtEnd = false;
};

}  // namespace brevant
