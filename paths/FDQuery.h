#pragma once
// The query of the Access path, a dataset of the frame: it runs its statement on an
// FDConn and holds every row of the result (the mdbtools driver gives no row count, so
// all rows are fetched at open). The rows are read-only.
//
// Field kinds: integers ftLargeint, floating point ftFloat, exact decimals ftFMTBcd,
// booleans ftBoolean, dates and times ftDateTime, text ftWideString, text of no stated
// size (memos) ftWideMemo, binary columns ftBlob (SQLite describes its BLOBs as
// SQL_BINARY). A value that does not read as its column's kind (SQLite lets a column
// hold any kind) is NULL for an integer, float or decimal column unless it reads as
// a number, and NULL otherwise.

#include <cstdint>
#include <vector>

#include "core/TStrings.h"
#include "data/TDataSet.h"
#include "paths/FDConn.h"
#include "paths/OdbcResult.h"
#include "paths/OdbcRowStore.h"

namespace brevant {

class FDQuery : public TDataSet {
public:
    FDQuery() = default;
    ~FDQuery() override;

    FDConn* Connection = nullptr;
    TStrings SQL;

    bool CanModify() const override { return false; }

    /// Saves the value of field `index` of the current record to a file, created or
    /// replaced first: a large object's bytes as the driver gave them (text as UTF-8),
    /// an empty file for NULL. A field that is not a large object fails after the file
    /// was created, leaving it empty.
    void SaveFieldToFile(int index, const UString& fileName);

    /// The rows behind the dataset (for measuring) and their columns.
    const TOdbcRowStore& Store() const { return FStore; }
    const std::vector<TOdbcColumn>& Columns() const { return FColumns; }

protected:
    void InternalOpen() override;
    void InternalClose() override;
    std::size_t GetRecordSize() const override { return sizeof(std::int64_t); }
    TGetResult GetRecord(TRecordBuffer buffer, TGetMode mode) override;
    void InternalFirst() override { FCursor = -1; }
    void InternalLast() override { FCursor = FStore.RowCount(); }
    void InternalSetToRecord(TRecordBuffer buffer) override { FCursor = RowOf(buffer); }
    void InternalInitRecord(TRecordBuffer buffer) override;
    void InternalPost() override;
    void InternalDelete() override;
    int GetRecNo(TRecordBuffer buffer) const override { return static_cast<int>(RowOf(buffer) + 1); }
    void InternalSetRecNo(int value) override;
    int GetRecordCount() const override { return static_cast<int>(FStore.RowCount()); }
    void GetFieldData(const TField& field, const std::uint8_t* buffer, TFieldValue& value) const override;
    void SetFieldData(TField& field, TRecordBuffer buffer, const TFieldValue& value) override;
    TBlobContent* GetBlobContent(const TField& field, TRecordBuffer buffer, bool forWrite) override;
    bool GetFieldDataAt(int recNo, const TField& field, TFieldValue& value) override;

private:
    /// A large object read in place from the store or a row cache.
    class TBlobView : public TBlobContent {
    public:
        std::string_view Bytes;
        std::uint64_t Size() const override { return Bytes.size(); }
        std::size_t Read(std::uint64_t position, std::size_t count, void* dest) const override;
        void Write(std::uint64_t, std::size_t, const void*) override;
        void Truncate(std::uint64_t) override;
    };
    /// One decoded row: views into the store, and text widened on first use. Values
    /// handed out stay valid until the cache holds another row.
    struct TRowCache {
        std::int64_t Row = -1;
        TOdbcRowStore::TRowPos Next;
        std::vector<TOdbcValueView> Views;
        std::vector<UString> Wide;
        std::vector<bool> WideReady;
        std::vector<TBlobView> Blobs;
    };

    static std::int64_t RowOf(const std::uint8_t* buffer);
    void Load(TRowCache& cache, std::int64_t row) const;
    void ReadValue(TRowCache& cache, const TField& field, TFieldValue& value) const;
    UStringView WideText(TRowCache& cache, std::size_t column) const;

    std::vector<TOdbcColumn> FColumns;
    TOdbcRowStore FStore;
    std::int64_t FCursor = -1;
    // The active record's row, and any other row the grid reads without moving.
    mutable TRowCache FActiveRow, FOtherRow;
};

}  // namespace brevant
