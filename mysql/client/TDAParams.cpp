#include "mysql/client/TDAParams.h"

#include "mysql/client/DAErrors.h"

namespace brevant {

TDataType DataTypeOfValue(const TVariant& value) {
    switch (value.Kind()) {
        case TVariantKind::Boolean: return dtBoolean;
        case TVariantKind::Int64: return dtLargeint;
        case TVariantKind::UInt64: return dtUInt64;
        case TVariantKind::Double: return dtFloat;
        case TVariantKind::Decimal: return dtFMTBCD;
        case TVariantKind::DateTime: return dtDateTime;
        case TVariantKind::String: return dtString;
        case TVariantKind::Bytes: return dtVarBytes;
        case TVariantKind::Empty:
        case TVariantKind::Null: break;
    }
    return dtUnknown;
}

void TDAParam::SetItemValue(std::size_t index, const TVariant& value) {
    if (index >= FValues.size()) FValues.resize(index + 1);
    FValues[index] = value;
    FBound = true;
    if (FDataType == dtUnknown) FDataType = DataTypeOfValue(value);
}

void TDAParam::Assign(const TDAParam& source) {
    FName = source.FName;
    FDataType = source.FDataType;
    FParamType = source.FParamType;
    FValues = source.FValues;
    FBound = source.FBound;
}

TDAParam& TDAParams::CreateParam(TDataType dataType, const UString& name, TParamDirection paramType) {
    FItems.push_back(std::make_unique<TDAParam>(name, dataType, paramType));
    return *FItems.back();
}

TDAParam* TDAParams::FindParam(UStringView name) const {
    for (const auto& p : FItems)
        if (SameTextAscii(p->Name(), name)) return p.get();
    return nullptr;
}

TDAParam& TDAParams::ParamByName(UStringView name) const {
    TDAParam* p = FindParam(name);
    if (!p) DatabaseErrorFmt(SParamNotFound, {name});
    return *p;
}

void TDAParams::AssignValues(const TDAParams& source) {
    for (std::size_t i = 0; i < FItems.size(); ++i) {
        TDAParam& p = *FItems[i];
        std::size_t nth = 0;  // how many earlier parameters share the name
        for (std::size_t j = 0; j < i; ++j) nth += SameTextAscii(FItems[j]->Name(), p.Name());
        const TDAParam* match = nullptr;
        for (const auto& s : source.FItems) {
            if (!SameTextAscii(s->Name(), p.Name())) continue;
            match = s.get();
            if (nth-- == 0) break;
        }
        if (match) p.Assign(*match);
    }
}

void TDAParams::Assign(const TDAParams& source) {
    FItems.clear();
    for (const auto& s : source.FItems) {
        FItems.push_back(std::make_unique<TDAParam>());
        FItems.back()->Assign(*s);
    }
}

}  // namespace brevant
