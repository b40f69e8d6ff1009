#include "data/TField.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <fstream>
#include <iterator>
#include <limits>

#include "core/Format.h"
#include "data/DBConsts.h"
#include "data/FieldText.h"
#include "data/TDataSet.h"
#include "mysql/client/DAErrors.h"

namespace brevant {

namespace {
constexpr char16_t kTrue[] = u"True";
constexpr char16_t kFalse[] = u"False";

[[noreturn]] void ConvertError(UStringView format, UStringView text) {
    throw EConvertError(Format(format, {text}));
}

std::int64_t ParseInt(UStringView text) {
    std::int64_t v = 0;
    if (!TryTextToInt64(text, v)) ConvertError(SInvalidIntegerValue, text);
    return v;
}

double ParseFloat(UStringView text) {
    double v = 0;
    if (!TryTextToFloat(text, v)) ConvertError(SInvalidFloatValue, text);
    return v;
}

std::int64_t FloatToInt(double v) {
    double r = std::round(v);
    if (!(r >= -9223372036854775808.0 && r < 9223372036854775808.0))
        ConvertError(SInvalidIntegerValue, Widen(FloatToText(v)));
    return static_cast<std::int64_t>(r);
}

// The whole content of a large object.
std::string ReadBlob(const TBlobContent* blob) {
    std::string out;
    if (!blob) return out;
    out.resize(static_cast<std::size_t>(blob->Size()));
    out.resize(blob->Read(0, out.size(), out.data()));
    return out;
}

UString WideFromBytes(std::string_view bytes) {
    UString out(bytes.size() / 2, u'\0');
    if (!out.empty()) std::memcpy(out.data(), bytes.data(), out.size() * 2);
    return out;
}

std::string_view BytesOfWide(UStringView text) {
    return std::string_view(reinterpret_cast<const char*>(text.data()), text.size() * 2);
}
}  // namespace

UStringView FieldTypeName(TFieldType type) {
    switch (type) {
        case ftUnknown: break;
        case ftString: return u"String";
        case ftWideString: return u"WideString";
        case ftShortint: return u"Shortint";
        case ftSmallint: return u"Smallint";
        case ftInteger: return u"Integer";
        case ftLargeint: return u"Largeint";
        case ftByte: return u"Byte";
        case ftWord: return u"Word";
        case ftLongWord: return u"LongWord";
        case ftLargeUInt: return u"LargeUInt";
        case ftSingle: return u"Single";
        case ftFloat: return u"Float";
        case ftExtended: return u"Extended";
        case ftCurrency: return u"Currency";
        case ftBCD: return u"BCD";
        case ftFMTBcd: return u"FMTBcd";
        case ftDate: return u"Date";
        case ftTime: return u"Time";
        case ftDateTime: return u"DateTime";
        case ftTimeStamp: return u"TimeStamp";
        case ftTimeStampOffset: return u"TimeStampOffset";
        case ftBoolean: return u"Boolean";
        case ftBytes: return u"Bytes";
        case ftVarBytes: return u"VarBytes";
        case ftBlob: return u"Blob";
        case ftMemo: return u"Memo";
        case ftWideMemo: return u"WideMemo";
        case ftVariant: return u"Variant";
        case ftADT: return u"ADT";
        case ftReference: return u"Reference";
        case ftArray: return u"Array";
        case ftDataSet: return u"DataSet";
        case ftGuid: return u"Guid";
        case ftCursor: return u"Cursor";
    }
    return u"Unknown";
}

// ---------------------------------------------------------------- TField

TField::TField(TDataSet* dataSet, TFieldType dataType) : FDataSet(dataSet), FDataType(dataType) {}

TFieldValue TField::CurrentValue() const {
    return FDataSet ? FDataSet->GetActiveFieldValue(*this) : TFieldValue();
}

bool TField::IsNull() const { return CurrentValue().IsNull(); }

int TField::AsInteger() const {
    std::int64_t v = AsLargeInt();
    if (v < std::numeric_limits<int>::min() || v > std::numeric_limits<int>::max())
        ConvertError(SInvalidIntegerValue, IntToStr(v));
    return static_cast<int>(v);
}

TVariant TField::AsVariant() const { return ValueAsVariant(CurrentValue()); }

void TField::AccessError(UStringView typeName) const {
    DatabaseErrorFmt(SFieldAccessError, {DisplayName(), typeName});
}

UString TField::TextOf(const TFieldValue& value, bool) const {
    return value.IsNull() ? UString() : ValueAsString(value);
}

UString TField::ValueAsString(const TFieldValue&) const { AccessError(u"String"); }
std::int64_t TField::ValueAsLargeInt(const TFieldValue&) const { AccessError(u"Largeint"); }
double TField::ValueAsFloat(const TFieldValue&) const { AccessError(u"Float"); }
bool TField::ValueAsBoolean(const TFieldValue&) const { AccessError(u"Boolean"); }
TDateTime TField::ValueAsDateTime(const TFieldValue&) const { AccessError(u"DateTime"); }
TVariant TField::ValueAsVariant(const TFieldValue&) const { AccessError(u"Variant"); }
std::string TField::ValueAsBytes(const TFieldValue&) const { AccessError(u"Bytes"); }

void TField::SetString(UStringView) { AccessError(u"String"); }
void TField::SetLargeInt(std::int64_t) { AccessError(u"Largeint"); }
void TField::SetFloat(double) { AccessError(u"Float"); }
void TField::SetBoolean(bool) { AccessError(u"Boolean"); }
void TField::SetDateTime(TDateTime) { AccessError(u"DateTime"); }
void TField::SetBytes(std::string_view) { AccessError(u"Bytes"); }

void TField::Clear() { WriteValue(TFieldValue::Null()); }

void TField::SetAsVariant(const TVariant& value) {
    switch (value.Kind()) {
        case TVariantKind::Empty:
        case TVariantKind::Null: Clear(); return;
        case TVariantKind::Boolean: SetBoolean(value.AsBoolean()); return;
        case TVariantKind::Int64: SetLargeInt(value.AsInt64()); return;
        case TVariantKind::UInt64: {
            std::uint64_t u = value.AsUInt64();
            if (u > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max())) SetString(UIntToStr(u));
            else SetLargeInt(static_cast<std::int64_t>(u));
            return;
        }
        case TVariantKind::Double: SetFloat(value.AsDouble()); return;
        case TVariantKind::Decimal: SetString(value.AsString()); return;
        case TVariantKind::DateTime: SetDateTime(value.AsDateTime()); return;
        case TVariantKind::String: SetString(value.AsString()); return;
        case TVariantKind::Bytes: SetBytes(value.AsBytes()); return;
    }
}

void TField::WriteValue(const TFieldValue& value) {
    if (!FDataSet) AccessError(FieldTypeName(FDataType));
    FDataSet->WriteFieldValue(*this, value);
}

// ---------------------------------------------------------------- TStringField

UString TStringField::ValueAsString(const TFieldValue& v) const {
    if (v.IsNull()) return UString();
    if (v.Kind == TValueKind::WideText) return UString(v.Wide);
    return AnsiToUtf16(v.Bytes);
}

std::int64_t TStringField::ValueAsLargeInt(const TFieldValue& v) const {
    return v.IsNull() ? 0 : ParseInt(ValueAsString(v));
}

double TStringField::ValueAsFloat(const TFieldValue& v) const { return v.IsNull() ? 0 : ParseFloat(ValueAsString(v)); }

bool TStringField::ValueAsBoolean(const TFieldValue& v) const {
    UString s = ValueAsString(v);
    if (s.empty()) return false;
    char16_t c = s[0];
    return c == u'Y' || c == u'y' || c == u'T' || c == u't' || c == u'1';
}

TDateTime TStringField::ValueAsDateTime(const TFieldValue& v) const {
    if (v.IsNull()) return 0;
    UString s = ValueAsString(v);
    TDateTime d = 0;
    if (!TryTextToDateTime(s, d)) ConvertError(SInvalidDateTime, s);
    return d;
}

TVariant TStringField::ValueAsVariant(const TFieldValue& v) const {
    return v.IsNull() ? TVariant::Null() : TVariant(ValueAsString(v));
}

std::string TStringField::ValueAsBytes(const TFieldValue& v) const {
    if (v.IsNull()) return {};
    return std::string(v.Bytes);
}

void TStringField::SetString(UStringView value) {
    std::string bytes = Utf16ToAnsi(value);
    SetBytes(bytes);
}

void TStringField::SetBytes(std::string_view value) {
    if (FSize > 0 && value.size() > static_cast<std::size_t>(FSize)) value = value.substr(0, static_cast<std::size_t>(FSize));
    WriteValue(TFieldValue::AnsiText(value));
}

void TStringField::SetLargeInt(std::int64_t value) { SetString(IntToStr(value)); }
void TStringField::SetFloat(double value) { SetString(Widen(FloatToText(value))); }
void TStringField::SetBoolean(bool value) { SetString(value ? kTrue : kFalse); }
void TStringField::SetDateTime(TDateTime value) { SetString(DateTimeToText(value, TDateTimeTextKind::DateTime)); }

// ---------------------------------------------------------------- TWideStringField

UString TWideStringField::ValueAsString(const TFieldValue& v) const {
    if (v.IsNull()) return UString();
    if (v.Kind == TValueKind::AnsiText) return AnsiToUtf16(v.Bytes);
    return UString(v.Wide);
}

std::string TWideStringField::ValueAsBytes(const TFieldValue& v) const {
    if (v.IsNull()) return {};
    return std::string(BytesOfWide(v.Wide));
}

void TWideStringField::SetString(UStringView value) {
    if (FSize > 0 && value.size() > static_cast<std::size_t>(FSize)) value = value.substr(0, static_cast<std::size_t>(FSize));
    WriteValue(TFieldValue::WideText(value));
}

void TWideStringField::SetBytes(std::string_view value) { SetString(WideFromBytes(value)); }

// ---------------------------------------------------------------- TIntegerField

std::int64_t TIntegerField::MinValue() const {
    switch (FDataType) {
        case ftShortint: return -128;
        case ftByte:
        case ftWord:
        case ftLongWord: return 0;
        case ftSmallint: return -32768;
        case ftInteger: return std::numeric_limits<std::int32_t>::min();
        default: return std::numeric_limits<std::int64_t>::min();
    }
}

std::int64_t TIntegerField::MaxValue() const {
    switch (FDataType) {
        case ftShortint: return 127;
        case ftByte: return 255;
        case ftSmallint: return 32767;
        case ftWord: return 65535;
        case ftInteger: return std::numeric_limits<std::int32_t>::max();
        case ftLongWord: return std::numeric_limits<std::uint32_t>::max();
        default: return std::numeric_limits<std::int64_t>::max();
    }
}

UString TIntegerField::ValueAsString(const TFieldValue& v) const { return v.IsNull() ? UString() : IntToStr(v.Int); }
std::int64_t TIntegerField::ValueAsLargeInt(const TFieldValue& v) const { return v.IsNull() ? 0 : v.Int; }
double TIntegerField::ValueAsFloat(const TFieldValue& v) const { return v.IsNull() ? 0 : static_cast<double>(v.Int); }
bool TIntegerField::ValueAsBoolean(const TFieldValue& v) const { return !v.IsNull() && v.Int != 0; }
TVariant TIntegerField::ValueAsVariant(const TFieldValue& v) const {
    return v.IsNull() ? TVariant::Null() : TVariant(static_cast<long long>(v.Int));
}

void TIntegerField::SetLargeInt(std::int64_t value) {
    if (value < MinValue() || value > MaxValue())
        DatabaseErrorFmt(SFieldRangeError,
                         {static_cast<long long>(value), DisplayName(), static_cast<long long>(MinValue()),
                          static_cast<long long>(MaxValue())});
    WriteValue(TFieldValue::Integer(value));
}

void TIntegerField::SetString(UStringView value) {
    if (TrimView(value).empty()) Clear();
    else SetLargeInt(ParseInt(value));
}

void TIntegerField::SetFloat(double value) { SetLargeInt(FloatToInt(value)); }
void TIntegerField::SetBoolean(bool value) { SetLargeInt(value ? 1 : 0); }

// ---------------------------------------------------------------- TLargeUIntField

namespace {
std::uint64_t Bits(const TFieldValue& v) { return static_cast<std::uint64_t>(v.Int); }
}  // namespace

UString TLargeUIntField::ValueAsString(const TFieldValue& v) const { return v.IsNull() ? UString() : UIntToStr(Bits(v)); }
std::int64_t TLargeUIntField::ValueAsLargeInt(const TFieldValue& v) const {
    if (v.IsNull()) return 0;
    if (v.Int < 0) ConvertError(SInvalidIntegerValue, UIntToStr(Bits(v)));
    return v.Int;
}
double TLargeUIntField::ValueAsFloat(const TFieldValue& v) const { return v.IsNull() ? 0 : static_cast<double>(Bits(v)); }
bool TLargeUIntField::ValueAsBoolean(const TFieldValue& v) const { return !v.IsNull() && v.Int != 0; }
TVariant TLargeUIntField::ValueAsVariant(const TFieldValue& v) const {
    return v.IsNull() ? TVariant::Null() : TVariant(static_cast<unsigned long long>(Bits(v)));
}

void TLargeUIntField::SetUInt(std::uint64_t value) { WriteValue(TFieldValue::Integer(static_cast<std::int64_t>(value))); }
void TLargeUIntField::SetLargeInt(std::int64_t value) {
    if (value < 0)
        DatabaseErrorFmt(SFieldRangeError, {static_cast<long long>(value), DisplayName(), 0LL, ~0ULL});
    SetUInt(static_cast<std::uint64_t>(value));
}
void TLargeUIntField::SetString(UStringView value) {
    UStringView t = TrimView(value);
    if (t.empty()) {
        Clear();
        return;
    }
    std::string digits = Narrow(t);
    std::uint64_t u = 0;
    auto r = std::from_chars(digits.data(), digits.data() + digits.size(), u);
    if (r.ec != std::errc() || r.ptr != digits.data() + digits.size()) ConvertError(SInvalidIntegerValue, value);
    SetUInt(u);
}
void TLargeUIntField::SetFloat(double value) {
    double r = std::round(value);
    if (!(r >= 0 && r < 18446744073709551616.0)) ConvertError(SInvalidIntegerValue, Widen(FloatToText(value)));
    SetUInt(static_cast<std::uint64_t>(r));
}
void TLargeUIntField::SetBoolean(bool value) { SetUInt(value ? 1 : 0); }

// ---------------------------------------------------------------- TFloatField

UString TFloatField::ValueAsString(const TFieldValue& v) const {
    if (v.IsNull()) return UString();
    if (FDataType == ftSingle) return Widen(SingleToText(static_cast<float>(v.Float)));
    return Widen(FloatToText(v.Float));
}

std::int64_t TFloatField::ValueAsLargeInt(const TFieldValue& v) const { return v.IsNull() ? 0 : FloatToInt(v.Float); }
double TFloatField::ValueAsFloat(const TFieldValue& v) const { return v.IsNull() ? 0 : v.Float; }
bool TFloatField::ValueAsBoolean(const TFieldValue& v) const { return !v.IsNull() && v.Float != 0; }
TDateTime TFloatField::ValueAsDateTime(const TFieldValue& v) const { return v.IsNull() ? 0 : v.Float; }
TVariant TFloatField::ValueAsVariant(const TFieldValue& v) const {
    return v.IsNull() ? TVariant::Null() : TVariant(v.Float);
}

void TFloatField::SetFloat(double value) { WriteValue(TFieldValue::FloatValue(value)); }
void TFloatField::SetLargeInt(std::int64_t value) { SetFloat(static_cast<double>(value)); }
void TFloatField::SetString(UStringView value) {
    if (TrimView(value).empty()) Clear();
    else SetFloat(ParseFloat(value));
}

// ---------------------------------------------------------------- TBCDField

UString TBCDField::ValueAsString(const TFieldValue& v) const { return v.IsNull() ? UString() : Widen(v.Decimal); }
double TBCDField::ValueAsFloat(const TFieldValue& v) const { return v.IsNull() ? 0 : ParseFloat(Widen(v.Decimal)); }
std::int64_t TBCDField::ValueAsLargeInt(const TFieldValue& v) const {
    if (v.IsNull()) return 0;
    // The whole part, exactly, as the decimal holds more digits than a double.
    std::string_view t = v.Decimal;
    std::size_t point = t.find('.');
    UString whole = Widen(t.substr(0, point));
    return ParseInt(whole == u"-" ? UString(u"0") : whole);
}
TVariant TBCDField::ValueAsVariant(const TFieldValue& v) const {
    return v.IsNull() ? TVariant::Null() : TVariant::FromDecimal(v.Decimal);
}

void TBCDField::SetString(UStringView value) {
    if (TrimView(value).empty()) {
        Clear();
        return;
    }
    std::string text;
    if (!TryNormalizeDecimal(value, text)) ConvertError(SInvalidBcdValue, value);
    WriteValue(TFieldValue::DecimalText(std::move(text)));
}
void TBCDField::SetLargeInt(std::int64_t value) { SetString(IntToStr(value)); }
void TBCDField::SetFloat(double value) {
    if (!std::isfinite(value)) ConvertError(SInvalidBcdValue, Widen(FloatToText(value)));
    char buf[64];
    int n = std::snprintf(buf, sizeof buf, "%.*f", FSize > 0 ? FSize : 4, value);
    SetString(Widen(std::string_view(buf, static_cast<std::size_t>(n))));
}

// ---------------------------------------------------------------- TBooleanField

UString TBooleanField::ValueAsString(const TFieldValue& v) const {
    if (v.IsNull()) return UString();
    return v.Bool ? kTrue : kFalse;
}
std::int64_t TBooleanField::ValueAsLargeInt(const TFieldValue& v) const { return !v.IsNull() && v.Bool ? 1 : 0; }
bool TBooleanField::ValueAsBoolean(const TFieldValue& v) const { return !v.IsNull() && v.Bool; }
TVariant TBooleanField::ValueAsVariant(const TFieldValue& v) const {
    return v.IsNull() ? TVariant::Null() : TVariant(v.Bool);
}

void TBooleanField::SetBoolean(bool value) { WriteValue(TFieldValue::Boolean(value)); }
void TBooleanField::SetLargeInt(std::int64_t value) { SetBoolean(value != 0); }
void TBooleanField::SetString(UStringView value) {
    UStringView t = TrimView(value);
    if (t.empty()) {
        Clear();
        return;
    }
    // A leading part of either word, without regard to case.
    auto prefixOf = [&](UStringView word) { return t.size() <= word.size() && SameTextAscii(t, word.substr(0, t.size())); };
    if (prefixOf(kTrue)) SetBoolean(true);
    else if (prefixOf(kFalse)) SetBoolean(false);
    else ConvertError(SInvalidBoolValue, value);
}

// ---------------------------------------------------------------- TDateTimeField

UString TDateTimeField::ValueAsString(const TFieldValue& v) const {
    if (v.IsNull()) return UString();
    TDateTimeTextKind kind = FDataType == ftDate   ? TDateTimeTextKind::Date
                             : FDataType == ftTime ? TDateTimeTextKind::Time
                                                   : TDateTimeTextKind::DateTime;
    return DateTimeToText(v.Float, kind);
}
double TDateTimeField::ValueAsFloat(const TFieldValue& v) const { return v.IsNull() ? 0 : v.Float; }
TDateTime TDateTimeField::ValueAsDateTime(const TFieldValue& v) const { return v.IsNull() ? 0 : v.Float; }
TVariant TDateTimeField::ValueAsVariant(const TFieldValue& v) const {
    return v.IsNull() ? TVariant::Null() : TVariant::FromDateTime(v.Float);
}

void TDateTimeField::SetDateTime(TDateTime value) {
    // A date keeps its day, a time its time of day.
    if (FDataType == ftDate) value = std::trunc(value);
    else if (FDataType == ftTime) value = std::fabs(value - std::trunc(value));
    WriteValue(TFieldValue::DateTime(value));
}
void TDateTimeField::SetFloat(double value) { SetDateTime(value); }
void TDateTimeField::SetString(UStringView value) {
    if (TrimView(value).empty()) {
        Clear();
        return;
    }
    TDateTime d = 0;
    if (!TryTextToDateTime(value, d)) ConvertError(SInvalidDateTime, value);
    SetDateTime(d);
}

// ---------------------------------------------------------------- TBytesField

UString TBytesField::ValueAsString(const TFieldValue& v) const { return v.IsNull() ? UString() : AnsiToUtf16(v.Bytes); }
std::string TBytesField::ValueAsBytes(const TFieldValue& v) const { return v.IsNull() ? std::string() : std::string(v.Bytes); }
TVariant TBytesField::ValueAsVariant(const TFieldValue& v) const {
    return v.IsNull() ? TVariant::Null() : TVariant::FromBytes(std::string(v.Bytes));
}
void TBytesField::SetBytes(std::string_view value) {
    if (FSize > 0 && value.size() > static_cast<std::size_t>(FSize)) value = value.substr(0, static_cast<std::size_t>(FSize));
    WriteValue(TFieldValue::ByteString(value));
}
void TBytesField::SetString(UStringView value) { SetBytes(Utf16ToAnsi(value)); }

// ---------------------------------------------------------------- TBlobField

UString TBlobField::TextOf(const TFieldValue& v, bool display) const {
    if (!display) return ValueAsString(v);
    UString name = u"(" + UString(FieldTypeName(FDataType)) + u")";
    return v.IsNull() ? name : UpperCaseAscii(name);
}

UString TBlobField::ValueAsString(const TFieldValue& v) const {
    if (v.IsNull()) return UString();
    std::string bytes = ReadBlob(v.Blob);
    return IsWide() ? WideFromBytes(bytes) : AnsiToUtf16(bytes);
}

std::string TBlobField::ValueAsBytes(const TFieldValue& v) const { return v.IsNull() ? std::string() : ReadBlob(v.Blob); }

TVariant TBlobField::ValueAsVariant(const TFieldValue& v) const {
    if (v.IsNull()) return TVariant::Null();
    if (FDataType == ftBlob) return TVariant::FromBytes(ReadBlob(v.Blob));
    return TVariant(ValueAsString(v));
}

void TBlobField::SetBytes(std::string_view value) {
    auto stream = FDataSet->CreateBlobStream(*this, bmWrite);
    stream->Write(value.data(), value.size());
    if (value.empty()) FDataSet->FieldChanged(*this);  // an empty write still changes the value
    stream->Close();
}

void TBlobField::SetString(UStringView value) {
    if (IsWide()) SetBytes(BytesOfWide(value));
    else SetBytes(Utf16ToAnsi(value));
}

void TBlobField::LoadFromFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) DatabaseErrorFmt(SBlobFileOpen, {path});
    auto stream = FDataSet->CreateBlobStream(*this, bmWrite);
    char chunk[65536];
    bool any = false;
    while (in) {
        in.read(chunk, sizeof chunk);
        std::streamsize n = in.gcount();
        if (n <= 0) break;
        stream->Write(chunk, static_cast<std::size_t>(n));
        any = true;
    }
    if (!any) FDataSet->FieldChanged(*this);
    stream->Close();
}

void TBlobField::SaveToFile(const std::string& path) const {
    // The content is read before the file is opened: opening truncates it, and a
    // read that fails must not leave an earlier file emptied.
    const std::string bytes = AsBytes();
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out) DatabaseErrorFmt(SBlobFileOpen, {path});
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) DatabaseErrorFmt(SBlobFileOpen, {path});
}

// ---------------------------------------------------------------- factory and list

std::unique_ptr<TField> CreateFieldOfType(TDataSet* dataSet, TFieldType type) {
    switch (type) {
        case ftString:
        case ftGuid: return std::make_unique<TStringField>(dataSet, type);
        case ftWideString: return std::make_unique<TWideStringField>(dataSet, type);
        case ftShortint:
        case ftByte:
        case ftSmallint:
        case ftWord:
        case ftInteger:
        case ftLongWord: return std::make_unique<TIntegerField>(dataSet, type);
        case ftLargeint: return std::make_unique<TLargeintField>(dataSet, type);
        case ftLargeUInt: return std::make_unique<TLargeUIntField>(dataSet, type);
        case ftSingle:
        case ftFloat:
        case ftExtended:
        case ftCurrency: return std::make_unique<TFloatField>(dataSet, type);
        case ftBCD:
        case ftFMTBcd: return std::make_unique<TBCDField>(dataSet, type);
        case ftDate:
        case ftTime:
        case ftDateTime:
        case ftTimeStamp: return std::make_unique<TDateTimeField>(dataSet, type);
        case ftBoolean: return std::make_unique<TBooleanField>(dataSet, type);
        case ftBytes:
        case ftVarBytes: return std::make_unique<TBytesField>(dataSet, type);
        case ftBlob:
        case ftMemo:
        case ftWideMemo: return std::make_unique<TBlobField>(dataSet, type);
        default: break;
    }
    DatabaseError(SDataTypeNotSupported);
}

TField* TFields::FindField(UStringView name) const {
    for (const auto& f : FItems)
        if (SameTextAscii(f->FieldName(), name)) return f.get();
    return nullptr;
}

TField& TFields::FieldByName(UStringView name) const {
    TField* f = FindField(name);
    if (!f) DatabaseErrorFmt(SFieldNotFound, {name});
    return *f;
}

TField& TFields::Add(std::unique_ptr<TField> field) {
    field->FIndex = Count();
    FItems.push_back(std::move(field));
    return *FItems.back();
}

}  // namespace brevant
