#include "data/TMemData.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <new>

#include "core/Abort.h"
#include "core/Errors.h"
#include "core/ScopeExit.h"
#include "data/Bcd.h"
#include "data/DataErrors.h"

namespace brevant {

namespace {

std::atomic<int> gRefreshIteration{0};

template <typename T>
T Load(const std::byte* p) {
    T v;
    std::memcpy(&v, p, sizeof v);
    return v;
}
template <typename T>
void Store(std::byte* p, T v) {
    std::memcpy(p, &v, sizeof v);
}

std::size_t WideLen(const char16_t* s, std::size_t max) {
    std::size_t n = 0;
    while (n < max && s[n]) ++n;
    return n;
}

}  // namespace

TMemData::TMemData() { InitData(); }

TMemData::~TMemData() { FreeData(); }

bool TMemData::Fetch(bool) { return false; }

// --- Layout ---

void TMemData::InitFields() {
    std::size_t offset = 0;
    FComplexFields.clear();
    for (auto& f : FFields) {
        if (f->FieldDescKind == fdkCalculated) continue;
        if (f->Size == 0) f->Size = TData::GetBufferSize(f->DataType, f->Length);
        if (f->DataType == dtWideString) offset = (offset + 1) & ~std::size_t(1);
        f->Offset = static_cast<std::uint32_t>(offset);
        offset += f->Size;
        f->IsBlob = IsBlobType(f->DataType);
        if (IsRefType(f->DataType)) FComplexFields.push_back(f.get());
    }
    FDataSize = offset;
    std::size_t size = FDataSize + FFields.size();
    if (InsertAllSetFields && !FFields.empty()) size += (FFields.size() - 1) / 8 + 1;
    FRecordSize = (size + 1) & ~std::size_t(1);
    FBlockMan.SetRecordSize(FRecordSize);
}

// --- Lifecycle ---

void TMemData::InitData() {
    FFirstItem = FLastItem = FCurrentItem = nullptr;
    FBOF = FEOF = true;
    FRecordCount = 0;
    FRecordNoOffset = 0;
    FRowsFetched = 0;
    FRefreshIteration = ++gRefreshIteration;
    DropRecordNoCache();
}

void TMemData::FreeData() {
    for (TItemHeader* item = FFirstItem; item; item = item->Next) {
        FreeRecordValues(item->Record());
        if (item->Rollback) {
            FreeRecordValues(item->Rollback);
            std::free(item->Rollback);
        }
    }
    FStringHeap.Clear();
    FBlockMan.FreeAllBlocks();
    InitData();
}

// --- Out-of-record values ---

void* TMemData::GetRef(const TFieldDesc& f, const std::byte* recBuf) const {
    return Load<void*>(recBuf + f.Offset);
}
void TMemData::SetRef(const TFieldDesc& f, std::byte* recBuf, const void* ref) {
    Store<const void*>(recBuf + f.Offset, ref);
}

void TMemData::ReleaseSlot(const TFieldDesc& f, std::byte* recBuf) {
    void* ref = GetRef(f, recBuf);
    if (!ref) return;
    if (IsBlobType(f.DataType)) static_cast<TBlob*>(ref)->Release();
    else FStringHeap.DisposeBuf(ref);
    SetRef(f, recBuf, nullptr);
}

void TMemData::FreeRecordValues(std::byte* record) {
    // Strings go back with the heap's sweep; only the large objects are released here.
    for (const TFieldDesc* f : FComplexFields)
        if (IsBlobType(f->DataType))
            if (auto* blob = static_cast<TBlob*>(GetRef(*f, record))) blob->Release();
}

std::byte* TMemData::AllocRecBuf() {
    auto* buf = static_cast<std::byte*>(std::calloc(1, std::max<std::size_t>(FRecordSize, 1)));
    if (!buf) throw std::bad_alloc();
    InitRecord(buf);
    return buf;
}

void TMemData::InitRecord(std::byte* recBuf) {
    std::memset(recBuf, 0, FRecordSize);
    std::memset(recBuf + FDataSize, 1, FFields.size());
    CreateComplexFields(recBuf);
}

void TMemData::FreeRecBuf(std::byte* recBuf) {
    if (!recBuf) return;
    FreeComplexFields(recBuf);
    std::free(recBuf);
}

void TMemData::CreateComplexFields(std::byte* recBuf) {
    for (const TFieldDesc* f : FComplexFields)
        if (IsBlobType(f->DataType) && !GetRef(*f, recBuf)) SetRef(*f, recBuf, new TBlob(f->DataType == dtWideMemo));
}

void TMemData::FreeComplexFields(std::byte* recBuf) {
    for (const TFieldDesc* f : FComplexFields) ReleaseSlot(*f, recBuf);
}

void TMemData::CopyComplexFields(std::byte* recBuf) {
    for (const TFieldDesc* f : FComplexFields) {
        void* ref = GetRef(*f, recBuf);
        if (!ref) continue;
        if (IsBlobType(f->DataType)) {
            SetRef(*f, recBuf, static_cast<TBlob*>(ref)->CreateClone());
        } else {
            const std::size_t n = TStringHeap::BufSize(ref);
            void* copy = FStringHeap.NewBuf(n);
            std::memcpy(copy, ref, n);
            SetRef(*f, recBuf, copy);
        }
    }
}

void TMemData::SetBlobsNeedRollback(std::byte* recBuf, bool value) {
    for (const TFieldDesc* f : FComplexFields)
        if (IsBlobType(f->DataType))
            if (auto* blob = static_cast<TBlob*>(GetRef(*f, recBuf))) blob->SetNeedRollback(value);
}

// --- Navigation ---

void TMemData::SetToBegin() {
    FCurrentItem = nullptr;
    FBOF = true;
    FEOF = FFirstItem == nullptr;
}

void TMemData::SetToEnd() {
    FCurrentItem = nullptr;
    FEOF = true;
    FBOF = FLastItem == nullptr;
}

bool TMemData::GetNextRecord(std::byte* recBuf) {
    TItemHeader* item;
    if (FCurrentItem) {
        item = FCurrentItem->Next;
        // A forward-only fetch replaces the records, the current one too.
        if (!item && Fetch()) item = FCurrentItem ? FCurrentItem->Next : FFirstItem;
    } else if (FBOF) {
        if (!FFirstItem) Fetch();
        item = FFirstItem;
    } else {
        return false;
    }
    if (!item) {
        FCurrentItem = nullptr;
        FEOF = true;
        FBOF = FFirstItem == nullptr;
        return false;
    }
    FCurrentItem = item;
    FBOF = FEOF = false;
    if (recBuf) GetRecord(recBuf);
    return true;
}

bool TMemData::GetPriorRecord(std::byte* recBuf) {
    TItemHeader* item;
    if (FCurrentItem) item = FCurrentItem->Prev;
    else if (FEOF) item = FLastItem;
    else return false;
    if (!item) {
        FCurrentItem = nullptr;
        FBOF = true;
        FEOF = FLastItem == nullptr;
        return false;
    }
    FCurrentItem = item;
    FBOF = FEOF = false;
    if (recBuf) GetRecord(recBuf);
    return true;
}

void TMemData::GetRecord(std::byte* recBuf) const {
    BREVANT_ASSERT(FCurrentItem);
    std::memcpy(recBuf, FCurrentItem->Record(), FRecordSize);
}

void TMemData::PutRecord(const std::byte* recBuf) {
    BREVANT_ASSERT(FCurrentItem);
    std::memcpy(FCurrentItem->Record(), recBuf, FRecordSize);
}

int TMemData::GetRecordNo() const { return FCurrentItem ? FCurrentItem->Order + FRecordNoOffset : 0; }

void TMemData::SetRecordNo(int n) {
    if (n < 1) return;
    while (n > FRecordCount && Fetch()) {}
    if (n > FRecordCount || !FFirstItem) return;
    // Walk from whichever known point is nearest.
    TItemHeader* item = FFirstItem;
    int at = 1;
    if (FCurrentItem && std::abs(GetRecordNo() - n) < n - 1) {
        item = FCurrentItem;
        at = GetRecordNo();
    }
    if (FRecordCount - n < std::abs(at - n)) {
        item = FLastItem;
        at = FRecordCount;
    }
    while (item && at < n) {
        item = item->Next;
        ++at;
    }
    while (item && at > n) {
        item = item->Prev;
        --at;
    }
    if (!item) return;
    FCurrentItem = item;
    FBOF = FEOF = false;
}

// --- Field access ---

bool TMemData::GetNull(const TFieldDesc& f, std::byte* recBuf) const {
    std::uint8_t* flag = NullFlags(recBuf) + (f.FieldNo ? f.FieldNo - 1 : 0);
    if (*flag && IsBlobType(f.DataType)) {
        // Content loaded into a NULL large object makes it a value.
        if (auto* blob = static_cast<TBlob*>(GetRef(f, recBuf)); blob && blob->GetSize() > 0) *flag = 0;
    }
    return *flag != 0;
}

void TMemData::SetNull(const TFieldDesc& f, std::byte* recBuf, bool value) {
    NullFlags(recBuf)[f.FieldNo ? f.FieldNo - 1 : 0] = value ? 1 : 0;
    if (!value) return;
    if (IsBlobType(f.DataType)) {
        if (auto* blob = static_cast<TBlob*>(GetRef(f, recBuf))) blob->Clear();
    } else if (IsRefType(f.DataType)) {
        ReleaseSlot(f, recBuf);
    }
}

TBlob* TMemData::GetBlob(const TFieldDesc& f, const std::byte* recBuf) const {
    BREVANT_ASSERT(IsBlobType(f.DataType));
    return static_cast<TBlob*>(GetRef(f, recBuf));
}

void TMemData::SetBlob(const TFieldDesc& f, std::byte* recBuf, TBlob* blob) {
    BREVANT_ASSERT(IsBlobType(f.DataType));
    ReleaseSlot(f, recBuf);
    SetRef(f, recBuf, blob);
}

std::string TMemData::GetFieldData(const TFieldDesc& f, std::byte* recBuf) const {
    if (GetNull(f, recBuf)) return {};
    const std::byte* slot = recBuf + f.Offset;
    const auto* cslot = reinterpret_cast<const char*>(slot);
    switch (f.DataType) {
        case dtString: return std::string(cslot, strnlen(cslot, f.Size ? f.Size - 1 : 0));
        case dtWideString: {
            std::size_t units = WideLen(reinterpret_cast<const char16_t*>(cslot), (f.Size - 2) / 2);
            return std::string(cslot, units * 2);
        }
        case dtExtString: {
            const char* s = static_cast<const char*>(GetRef(f, recBuf));
            return s ? std::string(s, strnlen(s, TStringHeap::BufSize(s))) : std::string();
        }
        case dtExtWideString: {
            const auto* s = static_cast<const char16_t*>(GetRef(f, recBuf));
            if (!s) return {};
            return std::string(reinterpret_cast<const char*>(s), WideLen(s, TStringHeap::BufSize(s) / 2) * 2);
        }
        case dtBytes: return std::string(cslot, f.Length);
        case dtVarBytes: {
            const std::size_t n = std::min<std::size_t>(Load<std::uint16_t>(slot), f.Size - 2);
            return std::string(cslot + 2, n);
        }
        case dtExtVarBytes: {
            const auto* p = static_cast<const std::byte*>(GetRef(f, recBuf));
            if (!p) return {};
            const std::size_t n = std::min<std::size_t>(Load<std::uint16_t>(p), TStringHeap::BufSize(p) - 2);
            return std::string(reinterpret_cast<const char*>(p) + 2, n);
        }
        case dtBlob:
        case dtMemo:
        case dtWideMemo: {
            const TBlob* blob = GetBlob(f, recBuf);
            return blob ? blob->AsBytes() : std::string();
        }
        default: return std::string(cslot, f.Size);
    }
}

void TMemData::PutFieldData(const TFieldDesc& f, std::byte* recBuf, std::string_view data) {
    std::byte* slot = recBuf + f.Offset;
    auto* cslot = reinterpret_cast<char*>(slot);
    switch (f.DataType) {
        case dtString: {
            const std::size_t n = std::min<std::size_t>(data.size(), f.Size - 1);
            std::memcpy(cslot, data.data(), n);
            std::memset(cslot + n, 0, f.Size - n);
            break;
        }
        case dtWideString: {
            const std::size_t n = std::min<std::size_t>(data.size() / 2, (f.Size - 2) / 2) * 2;
            std::memcpy(cslot, data.data(), n);
            std::memset(cslot + n, 0, f.Size - n);
            break;
        }
        case dtExtString:
            ReleaseSlot(f, recBuf);
            SetRef(f, recBuf, FStringHeap.AllocStr(data.substr(0, f.Length ? f.Length : data.size())));
            break;
        case dtExtWideString: {
            ReleaseSlot(f, recBuf);
            std::size_t units = data.size() / 2;
            if (f.Length && units > f.Length) units = f.Length;
            auto* p = static_cast<char16_t*>(FStringHeap.NewBuf((units + 1) * 2));
            std::memcpy(p, data.data(), units * 2);
            p[units] = 0;
            SetRef(f, recBuf, p);
            break;
        }
        case dtBytes: {
            const std::size_t n = std::min<std::size_t>(data.size(), f.Size);
            std::memcpy(cslot, data.data(), n);
            std::memset(cslot + n, 0, f.Size - n);
            break;
        }
        case dtVarBytes: {
            const std::size_t n = std::min<std::size_t>(data.size(), f.Size - 2);
            Store<std::uint16_t>(slot, static_cast<std::uint16_t>(n));
            std::memcpy(cslot + 2, data.data(), n);
            break;
        }
        case dtExtVarBytes: {
            ReleaseSlot(f, recBuf);
            const std::size_t n = std::min<std::size_t>(data.size(), f.Length ? f.Length : 65535);
            auto* p = static_cast<std::byte*>(FStringHeap.NewBuf(n + 2));
            Store<std::uint16_t>(p, static_cast<std::uint16_t>(n));
            std::memcpy(p + 2, data.data(), n);
            SetRef(f, recBuf, p);
            break;
        }
        case dtBlob:
        case dtMemo:
        case dtWideMemo: {
            TBlob* blob = GetBlob(f, recBuf);
            if (!blob) {
                blob = new TBlob(f.DataType == dtWideMemo);
                SetRef(f, recBuf, blob);
            }
            blob->SetAsBytes(data);
            break;
        }
        default: {
            const std::size_t n = std::min<std::size_t>(data.size(), f.Size);
            std::memcpy(cslot, data.data(), n);
            std::memset(cslot + n, 0, f.Size - n);
            break;
        }
    }
    NullFlags(recBuf)[f.FieldNo ? f.FieldNo - 1 : 0] = 0;
}

TVariant TMemData::GetDataAsVariant(const TFieldDesc& f, std::byte* recBuf) const {
    if (GetNull(f, recBuf)) return TVariant::Null();
    const std::byte* slot = recBuf + f.Offset;
    switch (f.DataType) {
        case dtString:
        case dtExtString:
        case dtMemo: return TVariant(AnsiToUtf16(GetFieldData(f, recBuf)));
        case dtWideString:
        case dtExtWideString:
        case dtWideMemo: {
            const std::string bytes = GetFieldData(f, recBuf);
            UString s(bytes.size() / 2, u'\0');
            std::memcpy(s.data(), bytes.data(), s.size() * 2);
            return TVariant(std::move(s));
        }
        case dtInt8:
        case dtInt16: return TVariant(static_cast<int>(Load<std::int16_t>(slot)));
        case dtUInt8:
        case dtUInt16: return TVariant(static_cast<int>(Load<std::uint16_t>(slot)));
        case dtInt32: return TVariant(static_cast<int>(Load<std::int32_t>(slot)));
        case dtUInt32: return TVariant(static_cast<unsigned>(Load<std::uint32_t>(slot)));
        case dtInt64: return TVariant(static_cast<long long>(Load<std::int64_t>(slot)));
        case dtUInt64: return TVariant(static_cast<unsigned long long>(Load<std::uint64_t>(slot)));
        case dtBoolean: return TVariant(Load<std::int16_t>(slot) != 0);
        case dtSingle: return TVariant(static_cast<double>(Load<float>(slot)));
        case dtFloat: return TVariant(Load<double>(slot));
        case dtBCD:
        case dtCurrency: return TVariant::FromDecimal(CurrencyToText(Load<std::int64_t>(slot)));
        case dtFMTBCD: return TVariant::FromDecimal(BcdToText(Load<TBcd>(slot)));
        case dtDate:
        case dtTime:
        case dtDateTime: return TVariant::FromDateTime(Load<double>(slot));
        case dtBytes:
        case dtVarBytes:
        case dtExtVarBytes:
        case dtBlob: return TVariant::FromBytes(GetFieldData(f, recBuf));
        default: throw EDataError(u"Data type is not supported");
    }
}

namespace {

template <typename T>
T CheckedInt(const TVariant& v) {
    if constexpr (std::is_unsigned_v<T>) {
        const std::uint64_t u = v.AsUInt64();
        if (u > std::numeric_limits<T>::max()) throw EConvertError(u"Value out of range: " + v.AsString());
        return static_cast<T>(u);
    } else {
        const std::int64_t i = v.AsInt64();
        if (i < std::numeric_limits<T>::min() || i > std::numeric_limits<T>::max())
            throw EConvertError(u"Value out of range: " + v.AsString());
        return static_cast<T>(i);
    }
}

}  // namespace

void TMemData::PutDataAsVariant(const TFieldDesc& f, std::byte* recBuf, const TVariant& v) {
    if (v.IsNull()) {
        SetNull(f, recBuf, true);
        return;
    }
    std::byte* slot = recBuf + f.Offset;
    auto putSlot = [&](const auto& value) {
        std::memcpy(slot, &value, sizeof value);
        NullFlags(recBuf)[f.FieldNo ? f.FieldNo - 1 : 0] = 0;
    };
    switch (f.DataType) {
        case dtString:
        case dtExtString:
        case dtMemo: PutFieldData(f, recBuf, Utf16ToAnsi(v.AsString())); break;
        case dtWideString:
        case dtExtWideString:
        case dtWideMemo: {
            const UString s = v.AsString();
            PutFieldData(f, recBuf, std::string_view(reinterpret_cast<const char*>(s.data()), s.size() * 2));
            break;
        }
        case dtInt8: putSlot(static_cast<std::int16_t>(CheckedInt<std::int8_t>(v))); break;
        case dtInt16: putSlot(CheckedInt<std::int16_t>(v)); break;
        case dtUInt8: putSlot(static_cast<std::uint16_t>(CheckedInt<std::uint8_t>(v))); break;
        case dtUInt16: putSlot(CheckedInt<std::uint16_t>(v)); break;
        case dtInt32: putSlot(CheckedInt<std::int32_t>(v)); break;
        case dtUInt32: putSlot(CheckedInt<std::uint32_t>(v)); break;
        case dtInt64: putSlot(v.AsInt64()); break;
        case dtUInt64: putSlot(v.AsUInt64()); break;
        case dtBoolean: putSlot(static_cast<std::int16_t>(v.AsBoolean() ? -1 : 0)); break;
        case dtSingle: putSlot(static_cast<float>(v.AsDouble())); break;
        case dtFloat: putSlot(v.AsDouble()); break;
        case dtBCD:
        case dtCurrency: {
            std::int64_t c = 0;
            if (!TextToCurrency(v.AsDecimalText(), c)) throw EConvertError(u"Value out of range: " + v.AsString());
            putSlot(c);
            break;
        }
        case dtFMTBCD: {
            TBcd b;
            if (!TextToBcd(v.AsDecimalText(), static_cast<int>(f.Length), f.Scale, b))
                throw EConvertError(u"Value out of range: " + v.AsString());
            putSlot(b);
            break;
        }
        case dtDate:
        case dtTime:
        case dtDateTime: putSlot(v.AsDateTime()); break;
        case dtBytes:
        case dtVarBytes:
        case dtExtVarBytes:
        case dtBlob: PutFieldData(f, recBuf, v.AsBytes()); break;
        default: throw EDataError(u"Data type is not supported");
    }
}

// --- Item list ---

void TMemData::LinkBefore(TItemHeader* item, TItemHeader* next) {
    TItemHeader* prev = next ? next->Prev : FLastItem;
    item->Prev = prev;
    item->Next = next;
    if (prev) prev->Next = item;
    else FFirstItem = item;
    if (next) next->Prev = item;
    else FLastItem = item;
}

void TMemData::Unlink(TItemHeader* item) {
    if (item->Prev) item->Prev->Next = item->Next;
    else FFirstItem = item->Next;
    if (item->Next) item->Next->Prev = item->Prev;
    else FLastItem = item->Prev;
    item->Prev = item->Next = nullptr;
}

void TMemData::ReleaseItems() {
    TItemHeader* item = FFirstItem;
    FFirstItem = FLastItem = FCurrentItem = nullptr;
    while (item) {
        TItemHeader* next = item->Next;
        FreeComplexFields(item->Record());
        FBlockMan.FreeItem(item);
        item = next;
    }
    DropRecordNoCache();
}

void TMemData::AddFetchedItems(TBlockHeader* block, int count) {
    // Numbering goes on from the last record; with none left, from the record count
    // (which a forward-only reader keeps while its old blocks go).
    int order = FLastItem ? FLastItem->Order : FRecordCount - FRecordNoOffset;
    for (int i = 0; i < count; ++i) {
        TItemHeader* item = FBlockMan.Item(block, i);
        item->Flag = flUsed;
        item->Status = isUnmodified;
        item->UpdateResult = urNone;
        item->FilterResult = fsNotChecked;
        item->Rollback = nullptr;
        item->Order = ++order;
        LinkBefore(item, nullptr);
    }
    block->UsedItems = static_cast<std::uint16_t>(count);
    for (int i = block->ItemCount - 1; i >= count; --i) FBlockMan.PutFreeItem(FBlockMan.Item(block, i));
    FRecordCount += count;
    FRowsFetched += count;
    DropRecordNoCache();
}

// Only the shorter side of the list is renumbered; RecordNoOffset keeps the numbers
// of the untouched side right when the side before the change is renumbered.
void TMemData::ReorderAfterInsert(TItemHeader* item) {
    if (!item->Prev && !item->Next) {
        item->Order = 1;
        FRecordNoOffset = 0;
        return;
    }
    if (!item->Next || item->Next->Order > (FRecordCount + FRecordNoOffset) / 2) {
        int order = item->Prev ? item->Prev->Order + 1 : 1;
        for (TItemHeader* it = item; it; it = it->Next) it->Order = order++;
    } else {
        int order = item->Next->Order - 1;
        for (TItemHeader* it = item; it; it = it->Prev) it->Order = order--;
        ++FRecordNoOffset;
    }
}

void TMemData::ReorderAfterDelete(TItemHeader* prev, TItemHeader* next) {
    if (!prev && !next) {
        FRecordNoOffset = 0;
        return;
    }
    if (next && next->Order > (FRecordCount + FRecordNoOffset) / 2) {
        int order = prev ? prev->Order + 1 : 1;
        for (TItemHeader* it = next; it; it = it->Next) it->Order = order++;
    } else if (next) {
        int order = next->Order - 1;
        for (TItemHeader* it = prev; it; it = it->Prev) it->Order = order--;
        --FRecordNoOffset;
    }
}

bool TMemData::IsInList(const TItemHeader* item) const {
    // The item must lie at an item boundary of a live block and be in use.
    const auto* p = reinterpret_cast<const std::byte*>(item);
    for (TBlockHeader* b = FBlockMan.FirstBlock(); b; b = b->Next) {
        const auto* first = reinterpret_cast<const std::byte*>(FBlockMan.Item(b, 0));
        const auto* end = reinterpret_cast<const std::byte*>(FBlockMan.Item(b, b->ItemCount));
        if (p >= first && p < end) return (p - first) % FBlockMan.ItemStride() == 0 && item->Flag == flUsed;
    }
    return false;
}

// --- Editing ---

void TMemData::EditRecord(std::byte* recBuf) {
    BREVANT_ASSERT(FCurrentItem);
    CopyComplexFields(FCurrentItem->Record());
    SetBlobsNeedRollback(recBuf, true);
}

void TMemData::PostRecord(std::byte* recBuf) {
    BREVANT_ASSERT(FCurrentItem);
    std::vector<std::byte> old(FCurrentItem->Record(), FCurrentItem->Record() + FRecordSize);
    UpdateRecord(recBuf);
    for (const TFieldDesc* f : FComplexFields)
        if (IsBlobType(f->DataType))
            if (auto* blob = static_cast<TBlob*>(GetRef(*f, recBuf))) {
                blob->Commit();
                blob->SetNeedRollback(false);
            }
    if (!CachedUpdates) FreeComplexFields(old.data());
}

void TMemData::CancelRecord(std::byte* recBuf) {
    for (const TFieldDesc* f : FComplexFields)
        if (IsBlobType(f->DataType))
            if (auto* blob = static_cast<TBlob*>(GetRef(*f, recBuf))) blob->Cancel();
    FreeComplexFields(recBuf);
}

void TMemData::UpdateRecord(std::byte* recBuf) {
    BREVANT_ASSERT(FCurrentItem);
    if (!CachedUpdates) {
        if (OnUpdate) OnUpdate();
    } else if (!FCurrentItem->Rollback) {
        auto* copy = static_cast<std::byte*>(std::malloc(FRecordSize));
        if (!copy) throw std::bad_alloc();
        std::memcpy(copy, FCurrentItem->Record(), FRecordSize);
        FCurrentItem->Rollback = copy;
        if (FCurrentItem->Status == isUnmodified) FCurrentItem->Status = isUpdated;
    }
    PutRecord(recBuf);
}

void TMemData::InsertRecord(std::byte* recBuf) {
    if (!CachedUpdates && OnAppend) OnAppend();
    TItemHeader* item = FBlockMan.AllocItem();
    item->Status = CachedUpdates ? isAppended : isUnmodified;
    item->UpdateResult = urNone;
    item->FilterResult = fsNotChecked;
    item->Rollback = nullptr;
    LinkBefore(item, FCurrentItem ? FCurrentItem : (FEOF || !FFirstItem ? nullptr : FFirstItem));
    std::memcpy(item->Record(), recBuf, FRecordSize);
    for (const TFieldDesc* f : FComplexFields)
        if (IsBlobType(f->DataType))
            if (auto* blob = static_cast<TBlob*>(GetRef(*f, recBuf))) {
                blob->Commit();
                blob->SetNeedRollback(false);
            }
    ++FRecordCount;
    ReorderAfterInsert(item);
    FCurrentItem = item;
    FBOF = FEOF = false;
    DropRecordNoCache();
}

void TMemData::AppendRecord(std::byte* recBuf) {
    SetToEnd();
    InsertRecord(recBuf);
}

void TMemData::DeleteRecord() {
    BREVANT_ASSERT(FCurrentItem);
    if (FCurrentItem == FLastItem) Fetch();
    if (OnDelete) OnDelete();
    if (CachedUpdates) {
        FCurrentItem->Status = isDeleted;
        return;
    }
    TItemHeader* item = FCurrentItem;
    TItemHeader* prev = item->Prev;
    TItemHeader* next = item->Next;
    FreeComplexFields(item->Record());
    Unlink(item);
    FBlockMan.FreeItem(item);
    --FRecordCount;
    ReorderAfterDelete(prev, next);
    FCurrentItem = next ? next : prev;
    FBOF = FEOF = FCurrentItem == nullptr;
    DropRecordNoCache();
}

// --- Bookmarks ---

void TMemData::GetBookmark(TRecBookmark& bm) const {
    bm.RefreshIteration = FRefreshIteration;
    bm.Item = FCurrentItem;
    bm.Order = FCurrentItem ? GetRecordNo() : -1;
}

void TMemData::SetToBookmark(const TRecBookmark& bm) {
    if (bm.RefreshIteration == FRefreshIteration && bm.Item && IsInList(bm.Item)) {
        FCurrentItem = bm.Item;
        FBOF = FEOF = false;
        return;
    }
    if (bm.Order > 0) SetRecordNo(bm.Order);
}

int TMemData::CompareBookmarks(const TRecBookmark& a, const TRecBookmark& b) const {
    auto number = [&](const TRecBookmark& bm) {
        if (bm.RefreshIteration == FRefreshIteration && bm.Item && IsInList(bm.Item))
            return bm.Item->Order + FRecordNoOffset;
        return bm.Order;
    };
    const int na = number(a), nb = number(b);
    return na < nb ? -1 : na > nb ? 1 : 0;
}

}  // namespace brevant
