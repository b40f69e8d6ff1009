#include "paths/FDQuery.h"

#include <cstdio>
#include <cstring>

#include "core/Format.h"
#include "data/DBConsts.h"
#include "data/DataErrors.h"
#include "paths/FDWaitCursor.h"
#include "paths/OdbcValues.h"

namespace brevant {

namespace {

TFieldType FieldTypeOf(TOdbcFieldKind kind) {
    switch (kind) {
        case TOdbcFieldKind::fkInteger: return ftLargeint;
        case TOdbcFieldKind::fkFloat: return ftFloat;
        case TOdbcFieldKind::fkDecimal: return ftFMTBcd;
        case TOdbcFieldKind::fkBoolean: return ftBoolean;
        case TOdbcFieldKind::fkDateTime: return ftDateTime;
        case TOdbcFieldKind::fkMemo: return ftWideMemo;
        case TOdbcFieldKind::fkBytes:
        case TOdbcFieldKind::fkBlob: return ftBlob;
        case TOdbcFieldKind::fkString: break;
    }
    return ftWideString;
}

[[noreturn]] void ReadOnlyError() { throw EDatabaseError(UString(SDataSetReadOnly)); }

}  // namespace

FDQuery::~FDQuery() { Close(); }

void FDQuery::InternalOpen() {
    if (!Connection) throw EDatabaseError(u"Connection is not defined");
    TFDWaitCursor wait;
    Connection->Open();
    TOdbcHandle stmt = Connection->ExecDirect(SQL.Text());
    std::vector<TOdbcColumn> columns = DescribeOdbcColumns(stmt.Get());
    // An empty result opens with no records; only a statement without a result set fails.
    if (columns.empty()) throw EODBCError(u"The statement returns no rows", "");
    FetchAllOdbcRows(stmt.Get(), columns, FStore);
    if (FStore.RowCount() > INT32_MAX) throw EDatabaseError(u"The result holds too many rows");
    FColumns = std::move(columns);
    for (const TOdbcColumn& column : FColumns) {
        TFieldType type = FieldTypeOf(column.Kind);
        int size = 0;
        if (type == ftWideString) size = static_cast<int>(std::min<SQLULEN>(column.Size, 65535));
        if (type == ftFMTBcd) size = column.Decimals;
        TField& field = CreateField(type, column.Name, size);
        field.SetReadOnly(true);
    }
    for (TRowCache* cache : {&FActiveRow, &FOtherRow}) {
        cache->Row = -1;
        cache->Views.assign(FColumns.size(), {});
        cache->Wide.assign(FColumns.size(), {});
        cache->WideReady.assign(FColumns.size(), false);
        cache->Blobs.assign(FColumns.size(), {});
    }
    FCursor = -1;
}

void FDQuery::InternalClose() {
    FStore.Reset(0);
    FColumns.clear();
    for (TRowCache* cache : {&FActiveRow, &FOtherRow}) *cache = TRowCache();
    FCursor = -1;
}

std::int64_t FDQuery::RowOf(const std::uint8_t* buffer) {
    std::int64_t row = -1;
    std::memcpy(&row, buffer, sizeof row);
    return row;
}

TGetResult FDQuery::GetRecord(TRecordBuffer buffer, TGetMode mode) {
    const std::int64_t count = FStore.RowCount();
    switch (mode) {
        case gmCurrent:
            if (FCursor < 0 || FCursor >= count) return grError;
            break;
        case gmNext:
            if (FCursor + 1 >= count) {
                FCursor = count;
                return grEOF;
            }
            ++FCursor;
            break;
        case gmPrior:
            if (FCursor <= 0) {
                FCursor = -1;
                return grBOF;
            }
            FCursor = std::min(FCursor, count) - 1;
            break;
    }
    std::memcpy(buffer, &FCursor, sizeof FCursor);
    return grOK;
}

void FDQuery::InternalInitRecord(TRecordBuffer) { ReadOnlyError(); }
void FDQuery::InternalPost() { ReadOnlyError(); }
void FDQuery::InternalDelete() { ReadOnlyError(); }
void FDQuery::SetFieldData(TField&, TRecordBuffer, const TFieldValue&) { ReadOnlyError(); }

void FDQuery::InternalSetRecNo(int value) {
    if (value >= 1 && value <= FStore.RowCount()) FCursor = value - 1;
}

void FDQuery::Load(TRowCache& cache, std::int64_t row) const {
    if (cache.Row == row) return;
    // Walking forward finds the next row where the last one ended.
    TOdbcRowStore::TRowPos pos = (cache.Row >= 0 && row == cache.Row + 1) ? cache.Next : FStore.Locate(row);
    cache.Next = FStore.Decode(pos, cache.Views);
    cache.Row = row;
    std::fill(cache.WideReady.begin(), cache.WideReady.end(), false);
}

UStringView FDQuery::WideText(TRowCache& cache, std::size_t column) const {
    if (!cache.WideReady[column]) {
        std::string_view utf8 = cache.Views[column].Bytes();
        UString& wide = cache.Wide[column];
        wide.resize(utf8.size());  // never longer than its bytes; the buffer is kept between rows
        wide.resize(Utf8ToUtf16(utf8, wide.data()));
        cache.WideReady[column] = true;
    }
    return cache.Wide[column];
}

void FDQuery::ReadValue(TRowCache& cache, const TField& field, TFieldValue& value) const {
    const std::size_t column = static_cast<std::size_t>(field.FieldNo() - 1);
    const TOdbcValueView& view = cache.Views.at(column);
    value = TFieldValue::Null();
    if (view.Null) return;
    std::string_view text = view.Bytes();
    switch (field.DataType()) {
        case ftLargeint: {
            std::int64_t i = 0;
            double d = 0;
            if (ParseOdbcInteger(text, i)) value = TFieldValue::Integer(i);
            else if (ParseOdbcFloat(text, d) && d >= -9.2e18 && d <= 9.2e18) value = TFieldValue::Integer(static_cast<std::int64_t>(d));
            break;
        }
        case ftFloat: {
            double d = 0;
            if (ParseOdbcFloat(text, d)) value = TFieldValue::FloatValue(d);
            break;
        }
        case ftFMTBcd: {
            double d = 0;
            if (ParseOdbcFloat(text, d)) value = TFieldValue::DecimalText(std::string(text));
            break;
        }
        case ftBoolean: {
            bool b = false;
            if (ParseOdbcBoolean(text, b)) value = TFieldValue::Boolean(b);
            break;
        }
        case ftDateTime: {
            TDateTime dt = 0;
            if (ParseOdbcDateTime(text, dt)) value = TFieldValue::DateTime(dt);
            break;
        }
        case ftWideMemo: {
            UStringView wide = WideText(cache, column);
            cache.Blobs[column].Bytes = std::string_view(reinterpret_cast<const char*>(wide.data()), wide.size() * 2);
            value = TFieldValue::BlobValue(&cache.Blobs[column]);
            break;
        }
        case ftBlob:
            cache.Blobs[column].Bytes = text;
            value = TFieldValue::BlobValue(&cache.Blobs[column]);
            break;
        default:
            value = TFieldValue::WideText(WideText(cache, column));
            break;
    }
}

void FDQuery::GetFieldData(const TField& field, const std::uint8_t* buffer, TFieldValue& value) const {
    Load(FActiveRow, RowOf(buffer));
    ReadValue(FActiveRow, field, value);
}

bool FDQuery::GetFieldDataAt(int recNo, const TField& field, TFieldValue& value) {
    if (recNo < 1 || recNo > FStore.RowCount()) return false;
    TRowCache& cache = (FActiveRow.Row == recNo - 1) ? FActiveRow : FOtherRow;
    Load(cache, recNo - 1);
    ReadValue(cache, field, value);
    return true;
}

TBlobContent* FDQuery::GetBlobContent(const TField& field, TRecordBuffer buffer, bool forWrite) {
    if (forWrite) ReadOnlyError();
    TFieldValue value;
    GetFieldData(field, buffer, value);
    return value.Kind == TValueKind::Blob ? value.Blob : nullptr;
}

std::size_t FDQuery::TBlobView::Read(std::uint64_t position, std::size_t count, void* dest) const {
    if (position >= Bytes.size()) return 0;
    std::size_t n = std::min<std::size_t>(count, Bytes.size() - position);
    std::memcpy(dest, Bytes.data() + position, n);
    return n;
}

void FDQuery::TBlobView::Write(std::uint64_t, std::size_t, const void*) { ReadOnlyError(); }
void FDQuery::TBlobView::Truncate(std::uint64_t) { ReadOnlyError(); }

void FDQuery::SaveFieldToFile(int index, const UString& fileName) {
    CheckActive();
    TField& field = Fields()[index];
    // The column is checked and its bytes read before the file is opened: opening
    // truncates it, and a wrong column or a failing read must not leave an earlier
    // file emptied.
    if (!field.IsBlob()) throw EDatabaseError(Format(SNotBlobField, {field.DisplayName()}));
    std::string_view bytes;
    if (HasCurrentRecord()) {
        Load(FActiveRow, RowOf(ActiveBuffer()));
        bytes = FActiveRow.Views.at(static_cast<std::size_t>(field.FieldNo() - 1)).Bytes();
    }
    std::string name = Utf16ToUtf8(fileName);
    std::FILE* file = std::fopen(name.c_str(), "wb");
    if (!file) throw EDatabaseError(Format(u"Cannot create file \"%s\"", {fileName}));
    bool written = bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    bool closed = std::fclose(file) == 0;
    if (!written || !closed) throw EDatabaseError(Format(u"Cannot write file \"%s\"", {fileName}));
}

}  // namespace brevant
