#pragma once
// Field objects of the dataset frame: one per column of the open dataset, reading and
// writing the value of that column in the dataset's active record. Each kind converts
// between its own value and the typed accessors; a conversion that makes no sense for
// the kind fails with "Cannot access field '%s' as type %s".
//
// Setting a value requires the dataset in edit or insert state and a writable field;
// it marks the field and the dataset modified and tells the data sources.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/DateTime.h"
#include "core/Text.h"
#include "core/Variant.h"
#include "data/TFieldValue.h"

namespace brevant {

class TDataSet;

enum TAutoRefreshFlag : std::uint8_t { arNone, arAutoInc, arDefault };

class TField {
public:
    TField(TDataSet* dataSet, TFieldType dataType);
    virtual ~TField() = default;
    TField(const TField&) = delete;
    TField& operator=(const TField&) = delete;

    // --- description ---
    TDataSet* DataSet() const { return FDataSet; }
    TFieldType DataType() const { return FDataType; }
    const UString& FieldName() const { return FFieldName; }
    void SetFieldName(UString value) { FFieldName = std::move(value); }
    const UString& DisplayLabel() const { return FDisplayLabel; }
    void SetDisplayLabel(UString value) { FDisplayLabel = std::move(value); }
    /// The label when one is set, else the field name.
    const UString& DisplayName() const { return FDisplayLabel.empty() ? FFieldName : FDisplayLabel; }
    /// 1-based position among the dataset's columns.
    int FieldNo() const { return FFieldNo; }
    void SetFieldNo(int value) { FFieldNo = value; }
    /// Position in the dataset's field list.
    int Index() const { return FIndex; }
    /// Characters for text fields, bytes for byte fields, scale for BCD, else 0.
    int Size() const { return FSize; }
    void SetSize(int value) { FSize = value; }
    int Precision() const { return FPrecision; }
    void SetPrecision(int value) { FPrecision = value; }
    bool ReadOnly() const { return FReadOnly; }
    void SetReadOnly(bool value) { FReadOnly = value; }
    bool Required() const { return FRequired; }
    void SetRequired(bool value) { FRequired = value; }
    bool FixedChar() const { return FFixedChar; }
    void SetFixedChar(bool value) { FFixedChar = value; }
    bool Visible() const { return FVisible; }
    void SetVisible(bool value) { FVisible = value; }
    TAutoRefreshFlag AutoGenerateValue() const { return FAutoGenerateValue; }
    void SetAutoGenerateValue(TAutoRefreshFlag value) { FAutoGenerateValue = value; }
    /// Set by a value written into the current record; cleared when the record is
    /// posted, cancelled or left.
    bool Modified() const { return FModified; }
    void SetModified(bool value) { FModified = value; }
    bool IsBlob() const { return FDataType == ftBlob || FDataType == ftMemo || FDataType == ftWideMemo; }

    // --- value of the active record ---
    bool IsNull() const;
    UString AsString() const { return ValueAsString(CurrentValue()); }
    int AsInteger() const;
    std::int64_t AsLargeInt() const { return ValueAsLargeInt(CurrentValue()); }
    double AsFloat() const { return ValueAsFloat(CurrentValue()); }
    bool AsBoolean() const { return ValueAsBoolean(CurrentValue()); }
    TDateTime AsDateTime() const { return ValueAsDateTime(CurrentValue()); }
    /// Null for a NULL value.
    TVariant AsVariant() const;
    std::string AsBytes() const { return ValueAsBytes(CurrentValue()); }
    /// The text a grid shows; "" for NULL.
    UString DisplayText() const { return TextOf(CurrentValue(), true); }
    /// The text an editor shows.
    UString Text() const { return TextOf(CurrentValue(), false); }

    void SetAsString(UStringView value) { SetString(value); }
    void SetAsInteger(int value) { SetLargeInt(value); }
    void SetAsLargeInt(std::int64_t value) { SetLargeInt(value); }
    void SetAsFloat(double value) { SetFloat(value); }
    void SetAsBoolean(bool value) { SetBoolean(value); }
    void SetAsDateTime(TDateTime value) { SetDateTime(value); }
    void SetAsVariant(const TVariant& value);
    void SetAsBytes(std::string_view value) { SetBytes(value); }
    void SetText(UStringView value) { SetString(value); }
    /// Sets NULL.
    virtual void Clear();

    // --- values of any record (the grid reads row N through TDataSet::GetFieldValueAt) ---
    /// The value in the active record (Null when there is none).
    TFieldValue CurrentValue() const;
    /// Text of a value read from any record of this field; `display` gives the grid's form.
    virtual UString TextOf(const TFieldValue& value, bool display) const;
    virtual UString ValueAsString(const TFieldValue& value) const;
    virtual std::int64_t ValueAsLargeInt(const TFieldValue& value) const;
    virtual double ValueAsFloat(const TFieldValue& value) const;
    virtual bool ValueAsBoolean(const TFieldValue& value) const;
    virtual TDateTime ValueAsDateTime(const TFieldValue& value) const;
    virtual TVariant ValueAsVariant(const TFieldValue& value) const;
    virtual std::string ValueAsBytes(const TFieldValue& value) const;

    std::function<void(TField& sender)> OnChange;

protected:
    friend class TDataSet;
    friend class TFields;

    virtual void SetString(UStringView value);
    virtual void SetLargeInt(std::int64_t value);
    virtual void SetFloat(double value);
    virtual void SetBoolean(bool value);
    virtual void SetDateTime(TDateTime value);
    virtual void SetBytes(std::string_view value);

    /// Checks state and read-only mark, stores the value in the active record, marks the
    /// field modified and notifies.
    void WriteValue(const TFieldValue& value);
    [[noreturn]] void AccessError(UStringView typeName) const;

    TDataSet* FDataSet;
    TFieldType FDataType;
    UString FFieldName, FDisplayLabel;
    int FFieldNo = 0, FIndex = -1, FSize = 0, FPrecision = 0;
    bool FReadOnly = false, FRequired = false, FFixedChar = false, FVisible = true, FModified = false;
    TAutoRefreshFlag FAutoGenerateValue = arNone;
};

/// ftString, ftGuid: text in the system's 8-bit code page, at most Size bytes.
class TStringField : public TField {
public:
    using TField::TField;
    UString ValueAsString(const TFieldValue& value) const override;
    std::int64_t ValueAsLargeInt(const TFieldValue& value) const override;
    double ValueAsFloat(const TFieldValue& value) const override;
    bool ValueAsBoolean(const TFieldValue& value) const override;
    TDateTime ValueAsDateTime(const TFieldValue& value) const override;
    TVariant ValueAsVariant(const TFieldValue& value) const override;
    std::string ValueAsBytes(const TFieldValue& value) const override;

protected:
    void SetString(UStringView value) override;
    void SetLargeInt(std::int64_t value) override;
    void SetFloat(double value) override;
    void SetBoolean(bool value) override;
    void SetDateTime(TDateTime value) override;
    void SetBytes(std::string_view value) override;
};

/// ftWideString: UTF-16 text of at most Size code units.
class TWideStringField : public TStringField {
public:
    using TStringField::TStringField;
    UString ValueAsString(const TFieldValue& value) const override;
    std::string ValueAsBytes(const TFieldValue& value) const override;

protected:
    void SetString(UStringView value) override;
    void SetBytes(std::string_view value) override;
};

/// Integers of the kinds ftShortint .. ftLongWord; writes outside the
/// kind's range fail with the range message.
class TIntegerField : public TField {
public:
    using TField::TField;
    std::int64_t MinValue() const;
    std::int64_t MaxValue() const;
    UString ValueAsString(const TFieldValue& value) const override;
    std::int64_t ValueAsLargeInt(const TFieldValue& value) const override;
    double ValueAsFloat(const TFieldValue& value) const override;
    bool ValueAsBoolean(const TFieldValue& value) const override;
    TVariant ValueAsVariant(const TFieldValue& value) const override;

protected:
    void SetString(UStringView value) override;
    void SetLargeInt(std::int64_t value) override;
    void SetFloat(double value) override;
    void SetBoolean(bool value) override;
};

/// ftLargeint: signed 64-bit integers.
class TLargeintField : public TIntegerField {
public:
    using TIntegerField::TIntegerField;
};

/// ftLargeUInt: unsigned 64-bit integers (the value's Int holds the bits).
class TLargeUIntField : public TField {
public:
    using TField::TField;
    UString ValueAsString(const TFieldValue& value) const override;
    /// Values above the signed range fail.
    std::int64_t ValueAsLargeInt(const TFieldValue& value) const override;
    double ValueAsFloat(const TFieldValue& value) const override;
    bool ValueAsBoolean(const TFieldValue& value) const override;
    TVariant ValueAsVariant(const TFieldValue& value) const override;

protected:
    void SetUInt(std::uint64_t value);
    void SetString(UStringView value) override;
    void SetLargeInt(std::int64_t value) override;
    void SetFloat(double value) override;
    void SetBoolean(bool value) override;
};

/// ftSingle, ftFloat, ftExtended, ftCurrency.
class TFloatField : public TField {
public:
    using TField::TField;
    UString ValueAsString(const TFieldValue& value) const override;
    std::int64_t ValueAsLargeInt(const TFieldValue& value) const override;
    double ValueAsFloat(const TFieldValue& value) const override;
    bool ValueAsBoolean(const TFieldValue& value) const override;
    TDateTime ValueAsDateTime(const TFieldValue& value) const override;
    TVariant ValueAsVariant(const TFieldValue& value) const override;

protected:
    void SetString(UStringView value) override;
    void SetLargeInt(std::int64_t value) override;
    void SetFloat(double value) override;
};

/// ftBCD, ftFMTBcd: exact decimals exchanged as text ("-12.50").
class TBCDField : public TField {
public:
    using TField::TField;
    UString ValueAsString(const TFieldValue& value) const override;
    std::int64_t ValueAsLargeInt(const TFieldValue& value) const override;
    double ValueAsFloat(const TFieldValue& value) const override;
    TVariant ValueAsVariant(const TFieldValue& value) const override;

protected:
    void SetString(UStringView value) override;
    void SetLargeInt(std::int64_t value) override;
    void SetFloat(double value) override;
};

/// ftBoolean: "True" / "False" as text.
class TBooleanField : public TField {
public:
    using TField::TField;
    UString ValueAsString(const TFieldValue& value) const override;
    std::int64_t ValueAsLargeInt(const TFieldValue& value) const override;
    bool ValueAsBoolean(const TFieldValue& value) const override;
    TVariant ValueAsVariant(const TFieldValue& value) const override;

protected:
    void SetString(UStringView value) override;
    void SetLargeInt(std::int64_t value) override;
    void SetBoolean(bool value) override;
};

/// ftDate, ftTime, ftDateTime, ftTimeStamp; text as "YYYY-MM-DD", "HH:MM:SS" and
/// "YYYY-MM-DD HH:MM:SS", with ".zzz" when there are milliseconds.
class TDateTimeField : public TField {
public:
    using TField::TField;
    UString ValueAsString(const TFieldValue& value) const override;
    double ValueAsFloat(const TFieldValue& value) const override;
    TDateTime ValueAsDateTime(const TFieldValue& value) const override;
    TVariant ValueAsVariant(const TFieldValue& value) const override;

protected:
    void SetString(UStringView value) override;
    void SetFloat(double value) override;
    void SetDateTime(TDateTime value) override;
};

/// ftBytes, ftVarBytes: at most Size bytes.
class TBytesField : public TField {
public:
    using TField::TField;
    UString ValueAsString(const TFieldValue& value) const override;
    TVariant ValueAsVariant(const TFieldValue& value) const override;
    std::string ValueAsBytes(const TFieldValue& value) const override;

protected:
    void SetString(UStringView value) override;
    void SetBytes(std::string_view value) override;
};

/// ftBlob, ftMemo, ftWideMemo: values go through the dataset's large-object streams.
/// A grid shows "(BLOB)", "(MEMO)", "(WIDEMEMO)" ("(Blob)" ... for NULL).
class TBlobField : public TField {
public:
    using TField::TField;
    bool IsWide() const { return FDataType == ftWideMemo; }
    UString TextOf(const TFieldValue& value, bool display) const override;
    UString ValueAsString(const TFieldValue& value) const override;
    TVariant ValueAsVariant(const TFieldValue& value) const override;
    std::string ValueAsBytes(const TFieldValue& value) const override;

    /// Replaces the content by the file's bytes (through a write stream).
    void LoadFromFile(const std::string& path);
    /// Creates or overwrites the file with the content, which is read first: a read
    /// that fails leaves the file as it was.
    void SaveToFile(const std::string& path) const;

protected:
    void SetString(UStringView value) override;
    void SetBytes(std::string_view value) override;
};

/// Creates the field object of a kind ("Data type is not supported" for a kind
/// without one: ftUnknown, ftVariant, the structured kinds).
std::unique_ptr<TField> CreateFieldOfType(TDataSet* dataSet, TFieldType type);

/// The dataset's fields in column order; names match without regard to ASCII case.
class TFields {
public:
    int Count() const { return static_cast<int>(FItems.size()); }
    TField& operator[](int index) const { return *FItems.at(static_cast<std::size_t>(index)); }
    TField* FindField(UStringView name) const;
    /// "Field '%s' not found" when there is none.
    TField& FieldByName(UStringView name) const;
    TField& Add(std::unique_ptr<TField> field);
    void Clear() { FItems.clear(); }

    auto begin() const { return FItems.begin(); }
    auto end() const { return FItems.end(); }

private:
    std::vector<std::unique_ptr<TField>> FItems;
};

}  // namespace brevant
