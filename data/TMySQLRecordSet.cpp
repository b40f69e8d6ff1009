#include "data/TMySQLRecordSet.h"

#include <algorithm>
#include <cstring>
#include <mutex>

#include "core/Abort.h"
#include "core/ScopeExit.h"
#include "data/Bcd.h"
#include "data/DataErrors.h"
#include "mysql/client/TMySQLConnection.h"
#include "mysql/wire/MySqlTypes.h"
#include "script/lexer/LexerCodes.h"

namespace brevant {

namespace {

template <typename T>
void Store(std::byte* p, T v) {
    std::memcpy(p, &v, sizeof v);
}

std::uint64_t ParseBits(const TMySQLFieldDesc& f, const char* value, std::uint32_t length) {
    if (f.MySQLType == MYSQL_TYPE_BIT) return BitsToInteger(value, length);
    return TextToIntegerBits(value, length);
}

// Stores the low bytes of an integer by the slot's width.
void PutInteger(std::byte* slot, std::uint32_t size, std::uint64_t bits) {
    switch (size) {
        case 1: Store(slot, static_cast<std::uint8_t>(bits)); break;
        case 2: Store(slot, static_cast<std::uint16_t>(bits)); break;
        case 4: Store(slot, static_cast<std::uint32_t>(bits)); break;
        default: Store(slot, bits); break;
    }
}

}  // namespace

TMySQLRecordSet::TMySQLRecordSet() : FCommand(std::make_unique<TMySQLCommand>()) {}

TMySQLRecordSet::~TMySQLRecordSet() {
    try {
        Close();
    } catch (...) {
    }
}

void TMySQLRecordSet::SetConnection(TMySQLConnection* connection) {
    FConnection = connection;
    FCommand->SetConnection(connection);
}

void TMySQLRecordSet::SetSQL(const UString& sql) {
    FSQL = sql;
    FCommand->SetSQL(sql);
}

void TMySQLRecordSet::SetProp(int prop, const TPropValue& value) {
    switch (prop) {
        case prFieldsAsString: FOptions.FieldsAsString = PropBool(value); break;
        case prNumberFieldsAsString: FOptions.NumberFieldsAsString = PropBool(value); break;
        case prNullForZeroDate: NullForZeroDate = PropBool(value); break;
        case prEnableBoolean: FOptions.EnableBoolean = PropBool(value); break;
        case prBinaryAsString: FOptions.BinaryAsString = PropBool(value); break;
        case prLongStrings: FOptions.LongStrings = PropBool(value); break;
        case prFlatBuffers: FOptions.FlatBuffers = PropBool(value); break;
        case prTrimFixedChar: TrimFixedChar = PropBool(value); break;
        case prCreateConnection: FCreateConnection = PropBool(value); break;
        case prEnableBCD: FOptions.EnableBCD = PropBool(value); break;
        case prEnableFmtBCD: FOptions.EnableFMTBCD = PropBool(value); break;
        case prCommandTimeout: FCommand->SetProp(prop, value); break;
        default: TCRRecordSet::SetProp(prop, value);
    }
}

TPropValue TMySQLRecordSet::GetProp(int prop) const {
    switch (prop) {
        case prFieldsAsString: return FOptions.FieldsAsString;
        case prNumberFieldsAsString: return FOptions.NumberFieldsAsString;
        case prNullForZeroDate: return NullForZeroDate;
        case prEnableBoolean: return FOptions.EnableBoolean;
        case prBinaryAsString: return FOptions.BinaryAsString;
        case prLongStrings: return FOptions.LongStrings;
        case prFlatBuffers: return FOptions.FlatBuffers;
        case prTrimFixedChar: return TrimFixedChar;
        case prCreateConnection: return FCreateConnection;
        case prCommandTimeout:
        case prRowsProcessed: return FCommand->GetProp(prop);
        default: return TCRRecordSet::GetProp(prop);
    }
}

// --- Opening ---

void TMySQLRecordSet::ExecCommand() {
    if (!FConnection) DatabaseError(u"Connection is not defined");
    FOpenNextState = osNotChecked;
    FResultAtEnd = false;
    FCursorState = csExecuting;
    FResult = FCommand->ExecuteOpen();
    if (!FResult) {
        FCommandType = ctStatement;
        FCursorState = csInactive;
        DatabaseError(u"SQL statement doesn't return rows");
    }
    FCommandType = ctCursor;
    FCursorState = csExecuted;
}

TDetectedFieldType TMySQLRecordSet::DetectFieldType(std::uint16_t dbType, std::int32_t dbLength, std::int32_t dbScale,
                                                    std::uint32_t lengthInBytes, bool hasTable) const {
    return brevant::DetectFieldType(FOptions, dbType, dbLength, dbScale, lengthInBytes, hasTable);
}

void TMySQLRecordSet::CreateFieldDescs() {
    TMySQLConnection& c = *FConnection;
    TMySQLAPI& api = *c.GetMySQLAPI();
    // The connection's settings, this record set's dataset options.
    const TMyFieldMapOptions connection = ConnectionMapOptions(c);
    FOptions.UseUnicode = connection.UseUnicode;
    FOptions.IsUtf8 = connection.IsUtf8;
    FOptions.DBCharLength = connection.DBCharLength;
    FOptions.OptimizedBigInt = connection.OptimizedBigInt;
    FOptions.CheckPrecision = connection.CheckPrecision;
    const bool commandBCD = FOptions.EnableBCD, commandFMTBCD = FOptions.EnableFMTBCD;
    FOptions.EnableBCD = commandBCD || connection.EnableBCD;
    FOptions.EnableFMTBCD = commandFMTBCD || connection.EnableFMTBCD;
    FOptions.ServerPrimaryVer = connection.ServerPrimaryVer;
    FOptions.ServerMinorVer = connection.ServerMinorVer;
    FOptions.ServerReleaseVer = connection.ServerReleaseVer;
    FOptions.IsMariaDB = connection.IsMariaDB;
    FNullForZeroDelphiDate = PropBool(c.GetProp(prNullForZeroDelphiDate));
    const ScopeExit restore([&] {
        FOptions.EnableBCD = commandBCD;
        FOptions.EnableFMTBCD = commandFMTBCD;
    });

    const TMyStatementInfo statement(FSQL);
    FFields.clear();
    const std::uint32_t count = api.mysql_num_fields(FResult);
    std::vector<TMySQLFieldDesc*> descs;
    for (std::uint32_t i = 0; i < count; ++i) {
        TMYSQL_FIELD column;
        api._mysql_fetch_field_direct(FResult, i, FOptions.UseUnicode, column);
        auto desc = std::make_unique<TMySQLFieldDesc>();
        DescribeFieldDesc(column, static_cast<int>(i), FOptions, statement, *desc);
        descs.push_back(desc.get());
        FFields.push_back(std::move(desc));
    }
    CorrectDescribeResult(FOptions, statement, descs);
    FLengths.assign(count, 0);
}

// --- Fetching ---

int TMySQLRecordSet::FetchBlock(TBlockHeader* block, int& placed) {
    TMySQLConnection& c = *FConnection;
    TMySQLAPI& api = *c.GetMySQLAPI();
    std::lock_guard<std::recursive_mutex> lock(c.FLock);
    placed = 0;
    for (int i = 0; i < FFetchRows; ++i) {
        PMYSQL_ROW row = api.mysql_fetch_row(FResult);
        if (!row) {
            FResultAtEnd = true;
            if (api.mysql_errno(c.GetMySQL()) != 0) c.MySQLError(this);
            FreeResult();
            FCursorState = csFetched;
            break;
        }
        GetDataFromRow(FResult, row, FBlockMan.Item(block, i)->Record());
        placed = i + 1;
    }
    return placed;
}

void TMySQLRecordSet::GetDataFromRow(PMYSQL_RES result, PMYSQL_ROW row, std::byte* record) {
    TMySQLAPI& api = *FConnection->GetMySQLAPI();
    if (FLengths.size() < FFields.size()) FLengths.assign(FFields.size(), 0);
    api._mysql_fetch_lengths(result, FLengths.data());
    for (const auto& desc : FFields) {
        const auto& f = static_cast<const TMySQLFieldDesc&>(*desc);
        if (f.FieldDescKind != fdkData || f.ActualFieldNo < 0) continue;
        const auto col = static_cast<std::uint32_t>(f.ActualFieldNo);
        const bool isNull = api._mysql_fetch_value_is_null(row, col);
        PutValue(f, isNull ? nullptr : api._mysql_fetch_value_ptr(result, row, col), isNull ? 0 : FLengths[col],
                 isNull, record);
    }
}

void TMySQLRecordSet::PutValue(const TMySQLFieldDesc& f, const char* value, std::uint32_t length, bool isNull,
                               std::byte* record) {
    if (!value) value = "";
    if (!isNull) {
        if (IsDateTimeType(f.DataType)) PutDate(f, value, length, record, isNull);
        else ReadFieldValue(f, value, length, record);
    }
    if (isNull) {
        if (IsBlobType(f.DataType)) {
            // A NULL large object still has an (empty) value behind it.
            void* ref;
            std::memcpy(&ref, record + f.Offset, sizeof ref);
            if (!ref) Store<void*>(record + f.Offset, new TBlob(f.DataType == dtWideMemo));
        } else if (IsRefType(f.DataType)) {
            Store<void*>(record + f.Offset, nullptr);
        }
    }
    reinterpret_cast<std::uint8_t*>(record + FDataSize)[f.FieldNo ? f.FieldNo - 1 : 0] = isNull ? 1 : 0;
}

void TMySQLRecordSet::PutDate(const TMySQLFieldDesc& f, const char* value, std::uint32_t length, std::byte* record,
                              bool& isNull) {
    const TMyDateKind kind = f.MySQLType == MYSQL_TYPE_DATE || f.MySQLType == MYSQL_TYPE_NEWDATE ? dkDate
                             : f.MySQLType == MYSQL_TYPE_TIME                                   ? dkTime
                                                                                                : dkDateTime;
    TDateTime dt = 0;
    if (!ConvertToDateTime(kind, value, length, f.Scale, f.Length, f.Name, dt)) {
        if (NullForZeroDate) isNull = true;
        else dt = ZeroDate();
    } else if (dt == 0 && FNullForZeroDelphiDate) {
        isNull = true;
    }
    if (!isNull) Store(record + f.Offset, dt);
}

const char16_t* TMySQLRecordSet::DecodeWide(const char* value, std::uint32_t length, std::size_t& units) {
    if (FWideBuf.size() < length) FWideBuf.resize(length);
    if (FOptions.UseUnicode) {
        units = Utf8ToUtf16(std::string_view(value, length), FWideBuf.data());
    } else {
        const UString s = AnsiToUtf16(std::string_view(value, length));
        units = s.size();
        if (FWideBuf.size() < units) FWideBuf.resize(units);
        std::memcpy(FWideBuf.data(), s.data(), units * 2);
    }
    return FWideBuf.data();
}

void TMySQLRecordSet::PutBlob(const TMySQLFieldDesc& f, const char* value, std::uint32_t length, std::byte* record) {
    void* ref;
    std::memcpy(&ref, record + f.Offset, sizeof ref);
    auto* blob = static_cast<TBlob*>(ref);
    if (!blob) {
        blob = new TBlob(f.DataType == dtWideMemo);
        Store<void*>(record + f.Offset, blob);
    }
    blob->Clear();
    if (f.DataType == dtWideMemo) {
        std::size_t units;
        const char16_t* w = DecodeWide(value, length, units);
        blob->Write(0, units * 2, w);
    } else {
        blob->Write(0, length, value);
    }
}

void TMySQLRecordSet::ReadFieldValue(const TMySQLFieldDesc& f, const char* value, std::uint32_t length,
                                     std::byte* record) {
    std::byte* slot = record + f.Offset;
    switch (f.DataType) {
        case dtString:
        case dtExtString: {
            std::string converted;
            std::string_view bytes(value, length);
            if (FOptions.UseUnicode) {
                converted = Utf16ToAnsi(Utf8ToUtf16(bytes));
                bytes = converted;
            }
            std::string padded;
            if (f.Fixed && !TrimFixedChar && bytes.size() < f.Length) {
                padded.assign(bytes);
                padded.append(f.Length - bytes.size(), ' ');
                bytes = padded;
            }
            if (f.DataType == dtString) {
                // Bounded by the slot whatever the length says.
                const std::size_t n = std::min<std::size_t>(bytes.size(), f.Size - 1);
                std::memcpy(slot, bytes.data(), n);
                std::memset(slot + n, 0, f.Size - n);
            } else {
                Store<void*>(slot, FStringHeap.AllocStr(bytes));
            }
            break;
        }
        case dtWideString:
        case dtExtWideString: {
            std::size_t units;
            const char16_t* w = DecodeWide(value, length, units);
            UString padded;
            if (f.Fixed && !TrimFixedChar && units < f.Length) {
                padded.assign(w, units);
                padded.append(f.Length - units, u' ');
                w = padded.data();
                units = padded.size();
            }
            if (f.DataType == dtWideString) {
                const std::size_t n = std::min<std::size_t>(units, (f.Size - 2) / 2);
                std::memcpy(slot, w, n * 2);
                std::memset(slot + n * 2, 0, f.Size - n * 2);
            } else {
                Store<void*>(slot, FStringHeap.AllocWideStr(UStringView(w, units)));
            }
            break;
        }
        case dtInt8:
        case dtInt16:
        case dtUInt8:
        case dtUInt16:
        case dtInt32:
        case dtUInt32:
        case dtInt64:
        case dtUInt64: PutInteger(slot, f.Size, ParseBits(f, value, length)); break;
        case dtBoolean: {
            bool on;
            if (f.MySQLType == MYSQL_TYPE_BIT) on = length > 0 && value[length - 1] != 0;
            else on = ParseBits(f, value, length) != 0;
            Store<std::int16_t>(slot, on ? -1 : 0);
            break;
        }
        case dtSingle: Store(slot, TextToSingle(value, length)); break;
        // A FLOAT column's text is read as a double too: the value is the one shown.
        case dtFloat: Store(slot, TextToDouble(value, length)); break;
        case dtBCD: {
            std::int64_t c;
            if (!TextToCurrency(std::string_view(value, length), c))
                throw EConvertError(Format(u"'%s' is not a valid floating point value", {std::string_view(value, length)}));
            Store(slot, c);
            break;
        }
        case dtFMTBCD: {
            TBcd b;
            if (!TextToBcd(std::string_view(value, length), static_cast<int>(f.Length), f.Scale, b))
                throw EConvertError(Format(u"'%s' is not a valid floating point value", {std::string_view(value, length)}));
            Store(slot, b);
            break;
        }
        case dtBytes: {
            const std::size_t n = std::min<std::size_t>({length, f.Length, f.Size});
            std::memcpy(slot, value, n);
            std::memset(slot + n, 0, f.Size - n);
            break;
        }
        case dtVarBytes: {
            const std::size_t n = std::min<std::size_t>({length, f.Length, f.Size - 2});
            Store(slot, static_cast<std::uint16_t>(n));
            std::memcpy(slot + 2, value, n);
            break;
        }
        case dtExtVarBytes: {
            const std::size_t n = std::min<std::size_t>(length, 65535);
            auto* p = static_cast<std::byte*>(FStringHeap.NewBuf(n + 2));
            Store(p, static_cast<std::uint16_t>(n));
            std::memcpy(p + 2, value, n);
            Store<void*>(slot, p);
            break;
        }
        case dtBlob:
        case dtMemo:
        case dtWideMemo: PutBlob(f, value, length, record); break;
        default: throw EDataError(u"Data type is not supported");
    }
}

// --- Freeing ---

void TMySQLRecordSet::Drain(TMySQLAPI& api) {
    while (api.mysql_fetch_row(FResult)) {}
}

void TMySQLRecordSet::FreeResult() {
    if (!FResult) return;
    TMySQLConnection& c = *FConnection;
    TMySQLAPI& api = *c.GetMySQLAPI();
    std::lock_guard<std::recursive_mutex> lock(c.FLock);
    PMYSQL_RES result = FResult;
    const ScopeExit release([&] {
        FResult = nullptr;
        if (c.GetMySQL()) FOpenNextState = api.mysql_more_results(c.GetMySQL()) ? osMoreResults : osNoMoreResults;
        api.mysql_free_result(result);
    });
    if (FResultAtEnd || !c.GetMySQL()) return;
    const TMyStatementInfo statement(FSQL);
    const bool mayCut = !FFetchAll && FCreateConnection && FKillConnection && statement.Find(lxSELECT) >= 0 &&
                        FSQL.find(u';') == UString::npos;
    if (mayCut) {
        int n = 0;
        while (n < FFetchRows && api.mysql_fetch_row(result)) ++n;
        if (n == FFetchRows) {
            FKillConnection->ExecuteSQL(u"KILL " + UIntToStr(c.GetThreadId()));
            Drain(api);
        }
    } else {
        Drain(api);
    }
}

void TMySQLRecordSet::InternalClose() {
    std::exception_ptr first;
    try {
        FreeResult();
        if (FOpenNextState == osMoreResults) FCommand->CloseMoreResults();
    } catch (...) {
        first = std::current_exception();
    }
    FOpenNextState = osNotChecked;
    FCursorState = csInactive;
    FCommandType = ctUnknown;
    if (first) std::rethrow_exception(first);
}

}  // namespace brevant
