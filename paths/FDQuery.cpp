#include "paths/FDQuery.h"

#include "core/Format.h"
#include "core/ScopeExit.h"
#include "paths/FDWaitCursor.h"

namespace brevant {

void FDQuery::Open() {
    if (FActive) return;
    if (!Connection) throw EArgumentError("Connection is not defined");
    TFDWaitCursor wait;
    Connection->Open();
    TOdbcHandle stmt = Connection->ExecDirect(SQL.Text());
    std::vector<TOdbcColumn> columns = DescribeOdbcColumns(stmt.Get());
    if (columns.empty()) throw EODBCError(u"The statement returns no rows", "");
    FetchAllOdbcRows(stmt.Get(), columns, FStore);
    FColumns = std::move(columns);
    FFields.clear();
    FFields.reserve(FColumns.size());
    for (std::size_t i = 0; i < FColumns.size(); ++i) FFields.emplace_back(*this, i, FColumns[i]);
    FCurrent.assign(FColumns.size(), TOdbcValueView{});
    FActive = true;
    FRow = 0;
    if (FStore.RowCount() == 0) {
        FEof = FBof = true;
        return;
    }
    GoTo(0);
    Scrolled();
}

void FDQuery::Close() {
    FActive = false;
    FEof = FBof = true;
    FRow = 0;
    FFields.clear();
    FColumns.clear();
    FCurrent.clear();
    FStore.Reset(0);
}

void FDQuery::GoTo(std::int64_t row) {
    // Moving one forward reuses the place found when the current row was decoded.
    FPos = (row == FRow + 1 && FActive && row > 0) ? FNextPos : FStore.Locate(row);
    FNextPos = FStore.Decode(FPos, FCurrent);
    FRow = row;
    FEof = FBof = false;
}

void FDQuery::Scrolled() {
    if (AfterScroll) AfterScroll(*this);
}

void FDQuery::First() {
    if (!FActive) throw EArgumentError("Cannot perform this operation on a closed dataset");
    if (FStore.RowCount() == 0) return;
    GoTo(0);
    FBof = true;
    Scrolled();
}

void FDQuery::Last() {
    if (!FActive) throw EArgumentError("Cannot perform this operation on a closed dataset");
    if (FStore.RowCount() == 0) return;
    GoTo(FStore.RowCount() - 1);
    FEof = true;
    Scrolled();
}

void FDQuery::Next() {
    if (!FActive) throw EArgumentError("Cannot perform this operation on a closed dataset");
    if (FEof) return;
    if (FRow + 1 >= FStore.RowCount()) {
        FEof = true;
        return;
    }
    GoTo(FRow + 1);
    Scrolled();
}

void FDQuery::Prior() {
    if (!FActive) throw EArgumentError("Cannot perform this operation on a closed dataset");
    if (FBof) return;
    if (FRow == 0) {
        FBof = true;
        return;
    }
    GoTo(FRow - 1);
    Scrolled();
}

void FDQuery::SetRecNo(std::int64_t recNo) {
    if (!FActive) throw EArgumentError("Cannot perform this operation on a closed dataset");
    if (recNo < 1 || recNo > FStore.RowCount()) throw EArgumentError(Format(u"Record %d not found", {recNo}));
    if (recNo - 1 == FRow && !FEof && !FBof) return;
    GoTo(recNo - 1);
    Scrolled();
}

const TFDField& FDQuery::Fields(std::size_t index) const {
    if (index >= FFields.size()) throw EArgumentError(Format(u"List index out of bounds (%d)", {static_cast<long long>(index)}));
    return FFields[index];
}

const TFDField* FDQuery::FindField(UStringView name) const {
    for (const TFDField& f : FFields)
        if (SameTextAscii(f.FieldName(), name)) return &f;
    return nullptr;
}

const TOdbcValueView& FDQuery::CurrentValue(std::size_t index) const {
    static const TOdbcValueView none;
    if (!FActive || FStore.RowCount() == 0 || index >= FCurrent.size()) return none;
    return FCurrent[index];
}

}  // namespace brevant
