#include "data/TMemDataSet.h"

#include <algorithm>
#include <cstring>

#include "core/Abort.h"
#include "data/Bcd.h"
#include "data/DataErrors.h"

namespace brevant {

namespace {
template <typename T>
T Load(const std::byte* p) {
    T v;
    std::memcpy(&v, p, sizeof v);
    return v;
}
template <typename T>
std::string_view Bytes(const T& v) {
    return std::string_view(reinterpret_cast<const char*>(&v), sizeof v);
}
std::size_t WideLen(const char16_t* s, std::size_t max) {
    std::size_t n = 0;
    while (n < max && s[n]) ++n;
    return n;
}
}  // namespace

/// A field's large object seen through the frame's content interface; repointed at
/// each read, so a value stays valid until the next read of the same field.
class TMemDataSet::BlobView : public TBlobContent {
public:
    TBlob* Blob = nullptr;
    std::uint64_t Size() const override { return Blob ? Blob->GetSize() : 0; }
    std::size_t Read(std::uint64_t position, std::size_t count, void* dest) const override {
        return Blob && count ? Blob->Read(static_cast<std::size_t>(position), count, dest) : 0;
    }
    void Write(std::uint64_t position, std::size_t count, const void* source) override {
        if (Blob) Blob->Write(static_cast<std::size_t>(position), count, source);
    }
    void Truncate(std::uint64_t size) override {
        if (Blob) Blob->Truncate(static_cast<std::size_t>(size));
    }
};

TMemDataSet::TMemDataSet() = default;

TMemDataSet::~TMemDataSet() {
    try {
        Close();
    } catch (...) {
        // A close handler failed; the store goes with the dataset anyway.
    }
}

TMemData& TMemDataSet::Data() {
    if (!FData) FData = CreateData();
    return *FData;
}

std::unique_ptr<TMemData> TMemDataSet::CreateData() { return std::make_unique<TMemData>(); }

void TMemDataSet::OpenData() {}

void TMemDataSet::CloseData() { FData->FreeData(); }

// ---------------------------------------------------------------- open and close

void TMemDataSet::InternalOpen() {
    TMemData& data = Data();
    data.OnUpdate = nullptr;
    data.OnAppend = nullptr;
    data.OnDelete = nullptr;
    OpenData();
    // Only changes made through the dataset are the server's business, not the filling.
    data.OnUpdate = [this] { PerformUpdate(); };
    data.OnAppend = [this] { PerformAppend(); };
    data.OnDelete = [this] { PerformDelete(); };
    CreateFieldsFromDescs();
    FRecInfoOfs = (data.RecordSize() + 7) & ~std::size_t(7);
    FBufferSize = BookmarkOfs() + BookmarkSize;
    std::size_t n = static_cast<std::size_t>(FieldCount());
    FActiveViews.assign(n, BlobView());
    FRowViews.assign(n, BlobView());
    FStreamViews.assign(n, BlobView());
    FItemIndexValid = false;
    data.SetToBegin();
}

void TMemDataSet::CreateFieldsFromDescs() {
    FFieldDescs.clear();
    for (auto& d : Data().Fields()) {
        if (d->FieldDescKind != fdkData || d->Hidden || d->HasParent()) continue;
        TFieldType kind = TFieldTypeMap::GetFieldType(d->DataType);
        if (kind == ftUnknown) throw EDataError(u"Unknown data type");
        int size = 0;
        switch (kind) {
            case ftString:
            case ftWideString:
            case ftGuid: size = std::max<int>(static_cast<int>(d->Length), 1); break;
            case ftBytes:
            case ftVarBytes: size = static_cast<int>(d->Length); break;
            case ftBCD:
            case ftFMTBcd: size = d->Scale; break;
            default: break;
        }
        TField& f = CreateField(kind, d->Name, size);
        f.SetFieldNo(d->FieldNo);
        switch (kind) {
            case ftShortint: case ftSmallint: case ftInteger: case ftLargeint: case ftByte: case ftWord:
            case ftLongWord: case ftLargeUInt: case ftSingle: case ftFloat: case ftExtended: case ftCurrency:
            case ftBCD: case ftFMTBcd: f.SetPrecision(static_cast<int>(d->Length)); break;
            default: break;
        }
        f.SetReadOnly(d->ReadOnly);
        f.SetFixedChar(d->Fixed);
        f.SetRequired(d->Required && RequiredFieldsOption());
        if (d->IsAutoIncrement) f.SetAutoGenerateValue(arAutoInc);
        FFieldDescs.push_back(d.get());
    }
}

void TMemDataSet::InternalClose() {
    FFieldDescs.clear();
    FActiveViews.clear();
    FRowViews.clear();
    FStreamViews.clear();
    FItemIndex.clear();
    FItemIndexValid = false;
    if (FData) CloseData();
}

// ---------------------------------------------------------------- records and cursor

void TMemDataSet::FillRecInfo(TRecordBuffer buffer) {
    TRecInfo info;
    info.RecordNumber = FData->GetRecordNo();
    if (TItemHeader* item = FData->CurrentItem()) info.UpdateStatus = item->Status;
    std::memcpy(buffer + FRecInfoOfs, &info, sizeof info);
    TRecBookmark bm;
    FData->GetBookmark(bm);
    std::memcpy(buffer + BookmarkOfs(), &bm, sizeof bm);
}

TGetResult TMemDataSet::GetRecord(TRecordBuffer buffer, TGetMode mode) {
    TMemData& data = *FData;
    switch (mode) {
        case gmCurrent:
            if (!data.HasCurrent()) return grError;
            data.GetRecord(Rec(buffer));
            break;
        case gmNext:
            if (!data.GetNextRecord(Rec(buffer))) return grEOF;
            break;
        case gmPrior:
            if (!data.GetPriorRecord(Rec(buffer))) return grBOF;
            break;
    }
    FillRecInfo(buffer);
    return grOK;
}

void TMemDataSet::InternalFirst() { FData->SetToBegin(); }
void TMemDataSet::InternalLast() { FData->SetToEnd(); }

void TMemDataSet::InternalSetToRecord(TRecordBuffer buffer) {
    TRecBookmark bm;
    std::memcpy(&bm, buffer + BookmarkOfs(), sizeof bm);
    FData->SetToBookmark(bm);
}

int TMemDataSet::GetRecNo(TRecordBuffer buffer) const {
    TRecInfo info;
    std::memcpy(&info, buffer + FRecInfoOfs, sizeof info);
    return info.RecordNumber;
}

void TMemDataSet::InternalSetRecNo(int value) { FData->SetRecordNo(value); }

int TMemDataSet::GetRecordCount() const { return FData ? FData->GetRecordCount() : 0; }

void TMemDataSet::InternalRefresh() { FItemIndexValid = false; }

// ---------------------------------------------------------------- editing

void TMemDataSet::InternalInitRecord(TRecordBuffer buffer) {
    // The buffer holds the shared values of a browsed record: cleared, not released.
    FData->InitRecord(Rec(buffer));
    std::memset(buffer + FRecInfoOfs, 0, FBufferSize - FRecInfoOfs);
}

void TMemDataSet::InternalEdit() { FData->EditRecord(Rec(ActiveBuffer())); }

void TMemDataSet::InternalInsert(bool append) {
    FInsertAtEnd = append || !FData->HasCurrent();
    FData->GetBookmark(FInsertPlace);
}

void TMemDataSet::InternalPost() {
    TMemData& data = *FData;
    std::byte* rec = Rec(ActiveBuffer());
    if (State() == dsEdit) {
        InternalSetToRecord(ActiveBuffer());
        data.PostRecord(rec);
    } else {
        if (FInsertAtEnd) data.SetToEnd();
        else data.SetToBookmark(FInsertPlace);
        data.InsertRecord(rec);
        FItemIndexValid = false;
    }
}

void TMemDataSet::InternalCancel() { FData->CancelRecord(Rec(ActiveBuffer())); }

void TMemDataSet::InternalDelete() {
    FData->DeleteRecord();
    FItemIndexValid = false;
}

// ---------------------------------------------------------------- field values

void TMemDataSet::ReadSlot(const TField& field, std::byte* rec, TFieldValue& v, std::vector<BlobView>& views) const {
    const TFieldDesc& d = FieldDesc(field);
    v.Clear();
    if (FData->GetNull(d, rec)) return;
    const std::byte* slot = rec + d.Offset;
    const auto* chars = reinterpret_cast<const char*>(slot);
    switch (d.DataType) {
        case dtString:
        case dtGuid: v = TFieldValue::AnsiText(std::string_view(chars, strnlen(chars, d.Size ? d.Size - 1 : 0))); return;
        case dtExtString: {
            const char* s = Load<const char*>(slot);
            v = TFieldValue::AnsiText(s ? std::string_view(s, strnlen(s, TStringHeap::BufSize(s))) : std::string_view());
            return;
        }
        case dtWideString: {
            const auto* s = reinterpret_cast<const char16_t*>(slot);
            v = TFieldValue::WideText(UStringView(s, WideLen(s, (d.Size - 2) / 2)));
            return;
        }
        case dtExtWideString: {
            const char16_t* s = Load<const char16_t*>(slot);
            v = TFieldValue::WideText(s ? UStringView(s, WideLen(s, TStringHeap::BufSize(s) / 2)) : UStringView());
            return;
        }
        case dtInt8:
        case dtInt16: v = TFieldValue::Integer(Load<std::int16_t>(slot)); return;
        case dtUInt8:
        case dtUInt16: v = TFieldValue::Integer(Load<std::uint16_t>(slot)); return;
        case dtInt32: v = TFieldValue::Integer(Load<std::int32_t>(slot)); return;
        case dtUInt32: v = TFieldValue::Integer(Load<std::uint32_t>(slot)); return;
        case dtInt64:
        case dtUInt64: v = TFieldValue::Integer(Load<std::int64_t>(slot)); return;
        case dtBoolean: v = TFieldValue::Boolean(Load<std::int16_t>(slot) != 0); return;
        case dtSingle: v = TFieldValue::FloatValue(Load<float>(slot)); return;
        case dtFloat:
        case dtCurrency: v = TFieldValue::FloatValue(Load<double>(slot)); return;
        case dtBCD: v = TFieldValue::DecimalText(CurrencyToText(Load<std::int64_t>(slot))); return;
        case dtFMTBCD: v = TFieldValue::DecimalText(BcdToText(Load<TBcd>(slot))); return;
        case dtDate:
        case dtTime:
        case dtDateTime: v = TFieldValue::DateTime(Load<double>(slot)); return;
        case dtBytes: v = TFieldValue::ByteString(std::string_view(chars, d.Length)); return;
        case dtVarBytes: {
            std::size_t n = std::min<std::size_t>(Load<std::uint16_t>(slot), d.Size - 2);
            v = TFieldValue::ByteString(std::string_view(chars + 2, n));
            return;
        }
        case dtExtVarBytes: {
            const auto* p = Load<const std::byte*>(slot);
            if (!p) {
                v = TFieldValue::ByteString({});
                return;
            }
            std::size_t n = std::min<std::size_t>(Load<std::uint16_t>(p), TStringHeap::BufSize(p) - 2);
            v = TFieldValue::ByteString(std::string_view(reinterpret_cast<const char*>(p) + 2, n));
            return;
        }
        case dtBlob:
        case dtMemo:
        case dtWideMemo: {
            BlobView& view = views.at(static_cast<std::size_t>(field.Index()));
            view.Blob = FData->GetBlob(d, rec);
            v = TFieldValue::BlobValue(&view);
            return;
        }
        default: return;  // kinds the store never holds for a field: read as NULL
    }
}

void TMemDataSet::GetFieldData(const TField& field, const std::uint8_t* buffer, TFieldValue& value) const {
    ReadSlot(field, Rec(buffer), value, FActiveViews);
}

void TMemDataSet::SetFieldData(TField& field, TRecordBuffer buffer, const TFieldValue& v) {
    TMemData& data = *FData;
    const TFieldDesc& d = FieldDesc(field);
    std::byte* rec = Rec(buffer);
    if (v.IsNull()) {
        data.SetNull(d, rec, true);
        return;
    }
    auto convertError = [&] { throw EConvertError(u"Invalid value for field '" + field.DisplayName() + u"'"); };
    switch (d.DataType) {
        case dtString:
        case dtExtString:
        case dtGuid:
            if (v.Kind == TValueKind::WideText) data.PutFieldData(d, rec, Utf16ToAnsi(v.Wide));
            else data.PutFieldData(d, rec, v.Bytes);
            return;
        case dtWideString:
        case dtExtWideString: {
            UString text = v.Kind == TValueKind::AnsiText ? AnsiToUtf16(v.Bytes) : UString(v.Wide);
            data.PutFieldData(d, rec, std::string_view(reinterpret_cast<const char*>(text.data()), text.size() * 2));
            return;
        }
        case dtInt8:
        case dtInt16:
        case dtUInt8:
        case dtUInt16: data.PutFieldData(d, rec, Bytes(static_cast<std::int16_t>(v.Int))); return;
        case dtInt32:
        case dtUInt32: data.PutFieldData(d, rec, Bytes(static_cast<std::int32_t>(v.Int))); return;
        case dtInt64:
        case dtUInt64: data.PutFieldData(d, rec, Bytes(v.Int)); return;
        case dtBoolean: data.PutFieldData(d, rec, Bytes(static_cast<std::int16_t>(v.Bool ? -1 : 0))); return;
        case dtSingle: data.PutFieldData(d, rec, Bytes(static_cast<float>(v.Float))); return;
        case dtFloat:
        case dtCurrency:
        case dtDate:
        case dtTime:
        case dtDateTime: data.PutFieldData(d, rec, Bytes(v.Float)); return;
        case dtBCD: {
            std::int64_t c = 0;
            if (!TextToCurrency(v.Decimal, c)) convertError();
            data.PutFieldData(d, rec, Bytes(c));
            return;
        }
        case dtFMTBCD: {
            TBcd bcd;
            if (!TextToBcd(v.Decimal, static_cast<int>(d.Length), d.Scale, bcd)) convertError();
            data.PutFieldData(d, rec, Bytes(bcd));
            return;
        }
        case dtBytes:
        case dtVarBytes:
        case dtExtVarBytes: data.PutFieldData(d, rec, v.Bytes); return;
        default: convertError();
    }
}

TBlobContent* TMemDataSet::GetBlobContent(const TField& field, TRecordBuffer buffer, bool forWrite) {
    const TFieldDesc& d = FieldDesc(field);
    std::byte* rec = Rec(buffer);
    if (forWrite) FData->CreateComplexFields(rec);
    BlobView& view = FStreamViews.at(static_cast<std::size_t>(field.Index()));
    view.Blob = FData->GetBlob(d, rec);
    return view.Blob ? &view : nullptr;
}

void TMemDataSet::BuildItemIndex() {
    FItemIndex.clear();
    FItemIndex.reserve(static_cast<std::size_t>(FData->GetRecordCount()));
    for (TItemHeader* item = FData->FirstItem(); item; item = item->Next) FItemIndex.push_back(item);
    FItemIndexValid = true;
}

bool TMemDataSet::GetFieldDataAt(int recNo, const TField& field, TFieldValue& value) {
    if (!FItemIndexValid || FItemIndex.size() != static_cast<std::size_t>(FData->GetRecordCount())) BuildItemIndex();
    if (recNo < 1 || static_cast<std::size_t>(recNo) > FItemIndex.size()) return false;
    ReadSlot(field, FItemIndex[static_cast<std::size_t>(recNo) - 1]->Record(), value, FRowViews);
    return true;
}

}  // namespace brevant
