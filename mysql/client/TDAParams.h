#pragma once
// Parameters of a command: a name, a data type, a direction and a value (or, for a
// batch, one value per iteration). A value assigned to a parameter of unknown type
// gives it the type that fits the value. Names match without regard to ASCII case.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/DataTypes.h"
#include "core/Text.h"
#include "core/Variant.h"

namespace brevant {

enum TParamDirection : int { pdUnknown, pdInput, pdOutput, pdInputOutput, pdResult };

inline constexpr char16_t SParamNotFound[] = u"Parameter '%s' not found";
inline constexpr char16_t SParamNoBatchValue[] = u"Parameter '%s' has no value for iteration %d";

/// The data type a value of this kind is written as when its parameter has none.
TDataType DataTypeOfValue(const TVariant& value);

class TDAParam {
public:
    explicit TDAParam(UString name = UString(), TDataType dataType = dtUnknown, TParamDirection paramType = pdInput)
        : FName(std::move(name)), FDataType(dataType), FParamType(paramType), FValues(1) {}

    const UString& Name() const { return FName; }
    void SetName(UString value) { FName = std::move(value); }
    TDataType DataType() const { return FDataType; }
    void SetDataType(TDataType value) { FDataType = value; }
    TParamDirection ParamType() const { return FParamType; }
    void SetParamType(TParamDirection value) { FParamType = value; }

    /// The value of the first (for a single execution the only) iteration.
    const TVariant& Value() const { return FValues[0]; }
    /// Stores the value; a parameter of unknown type takes the value's type.
    void SetValue(const TVariant& value) { SetItemValue(0, value); }
    bool IsNull() const { return FValues[0].IsNull(); }
    /// NULL, keeping the data type.
    void Clear() { SetValue(TVariant::Null()); }
    /// True once any value (also NULL) has been assigned.
    bool Bound() const { return FBound; }

    // Typed setters: each sets the data type it names.
    void SetAsString(const UString& v) { SetTyped(dtString, v); }
    void SetAsWideString(const UString& v) { SetTyped(dtWideString, v); }
    void SetAsMemo(const UString& v) { SetTyped(dtMemo, v); }
    void SetAsWideMemo(const UString& v) { SetTyped(dtWideMemo, v); }
    void SetAsInteger(int v) { SetTyped(dtInteger, v); }
    void SetAsSmallInt(int v) { SetTyped(dtSmallint, v); }
    void SetAsLargeInt(std::int64_t v) { SetTyped(dtLargeint, static_cast<long long>(v)); }
    void SetAsUInt64(std::uint64_t v) { SetTyped(dtUInt64, static_cast<unsigned long long>(v)); }
    void SetAsFloat(double v) { SetTyped(dtFloat, v); }
    void SetAsCurrency(double v) { SetTyped(dtCurrency, v); }
    /// An exact decimal given as text ("-12.50").
    void SetAsFMTBCD(std::string decimalText) { SetTyped(dtFMTBCD, TVariant::FromDecimal(std::move(decimalText))); }
    void SetAsBCD(std::string decimalText) { SetTyped(dtBCD, TVariant::FromDecimal(std::move(decimalText))); }
    void SetAsBoolean(bool v) { SetTyped(dtBoolean, v); }
    void SetAsDate(TDateTime v) { SetTyped(dtDate, TVariant::FromDateTime(v)); }
    /// A time of day or a duration in days; negative and above one day are allowed.
    void SetAsTime(TDateTime v) { SetTyped(dtTime, TVariant::FromDateTime(v)); }
    void SetAsDateTime(TDateTime v) { SetTyped(dtDateTime, TVariant::FromDateTime(v)); }
    void SetAsBytes(std::string bytes) { SetTyped(dtVarBytes, TVariant::FromBytes(std::move(bytes))); }
    void SetAsBlob(std::string bytes) { SetTyped(dtBlob, TVariant::FromBytes(std::move(bytes))); }

    UString AsString() const { return Value().AsString(); }
    std::int64_t AsLargeInt() const { return Value().AsInt64(); }
    double AsFloat() const { return Value().AsDouble(); }

    // Batch values: one per iteration.
    std::size_t ValueCount() const { return FValues.size(); }
    /// At least 1; new items are empty (NULL).
    void SetValueCount(std::size_t count) { FValues.resize(count ? count : 1); }
    const TVariant& ItemValue(std::size_t index) const { return FValues.at(index); }
    void SetItemValue(std::size_t index, const TVariant& value);

    /// Name, type, direction and values of another parameter.
    void Assign(const TDAParam& source);

private:
    void SetTyped(TDataType type, const TVariant& value) {
        FDataType = type;
        SetValue(value);
    }

    UString FName;
    TDataType FDataType;
    TParamDirection FParamType;
    std::vector<TVariant> FValues;
    bool FBound = false;
};

class TDAParams {
public:
    TDAParams() = default;
    TDAParams(const TDAParams&) = delete;
    TDAParams& operator=(const TDAParams&) = delete;

    std::size_t Count() const { return FItems.size(); }
    TDAParam& operator[](std::size_t index) { return *FItems.at(index); }
    const TDAParam& operator[](std::size_t index) const { return *FItems.at(index); }

    TDAParam& CreateParam(TDataType dataType, const UString& name, TParamDirection paramType = pdInput);
    void Clear() { FItems.clear(); }
    /// The first parameter of that name, or nullptr.
    TDAParam* FindParam(UStringView name) const;
    /// The first parameter of that name; "Parameter '%s' not found" otherwise.
    TDAParam& ParamByName(UStringView name) const;

    /// Takes over the values of `source` by name: the n-th parameter of a name gets
    /// the value of the n-th of that name in `source` (or of its last one).
    void AssignValues(const TDAParams& source);
    /// Replaces the list with copies of `source`.
    void Assign(const TDAParams& source);

private:
    std::vector<std::unique_ptr<TDAParam>> FItems;
};

}  // namespace brevant
