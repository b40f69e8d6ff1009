#pragma once
// The query of the Access path: runs its statement on an FDConn and holds every row of
// the result in memory (the mdbtools driver gives no row count, so all rows are
// fetched at open). Navigation and fields as a dataset offers them.

#include <cstdint>
#include <deque>
#include <functional>
#include <vector>

#include "core/TStrings.h"
#include "paths/FDConn.h"
#include "paths/FDField.h"
#include "paths/OdbcResult.h"
#include "paths/OdbcRowStore.h"

namespace brevant {

class FDQuery {
public:
    FDQuery() = default;
    FDQuery(const FDQuery&) = delete;
    FDQuery& operator=(const FDQuery&) = delete;

    FDConn* Connection = nullptr;
    TStrings SQL;
    /// Called whenever the current record changes: after an open with rows, First,
    /// Last, and a Next or Prior that moved.
    std::function<void(FDQuery&)> AfterScroll;

    /// Runs the statement (opening the connection when needed) and fetches all rows. A
    /// statement that fails, or that gives no result set at all, is an error and leaves
    /// the query closed; an empty result opens with no records.
    void Open();
    void Close();
    bool Active() const { return FActive; }

    std::int64_t RecordCount() const { return FActive ? FStore.RowCount() : 0; }
    /// 1-based; 0 when there is no current record.
    std::int64_t RecNo() const { return FActive && FStore.RowCount() ? FRow + 1 : 0; }
    void First();
    void Next();
    void Prior();
    void Last();
    /// Goes to the 1-based record number.
    void SetRecNo(std::int64_t recNo);
    bool Eof() const { return !FActive || FEof; }
    bool Bof() const { return !FActive || FBof; }

    std::size_t FieldCount() const { return FFields.size(); }
    /// 0-based; EArgumentError when out of range.
    const TFDField& Fields(std::size_t index) const;
    /// By name without regard to case; null when there is none.
    const TFDField* FindField(UStringView name) const;

    /// The store behind the rows (for measuring).
    const TOdbcRowStore& Store() const { return FStore; }
    /// The current record's value of a column; a NULL view without a current record.
    const TOdbcValueView& CurrentValue(std::size_t index) const;

private:
    void GoTo(std::int64_t row);
    void Scrolled();

    bool FActive = false, FEof = true, FBof = true;
    std::int64_t FRow = 0;
    TOdbcRowStore::TRowPos FPos, FNextPos;
    std::vector<TOdbcColumn> FColumns;
    std::vector<TFDField> FFields;
    std::vector<TOdbcValueView> FCurrent;
    TOdbcRowStore FStore;
};

}  // namespace brevant
