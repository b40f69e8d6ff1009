#pragma once
// Property identifiers and values: the components hand their settings to the
// session-level objects one by one as identifier/value pairs (SetProp/GetProp).
// An identifier that no session class handles, or a value of the wrong kind, is a
// programming error and fails an assertion.

#include <cstdint>
#include <variant>
#include <vector>

#include "core/Abort.h"
#include "core/Text.h"

namespace brevant {

using TPropValue = std::variant<bool, int, std::int64_t, UString, std::vector<UString>>;

inline bool PropBool(const TPropValue& v) {
    BREVANT_ASSERT(std::holds_alternative<bool>(v));
    return std::get<bool>(v);
}
inline int PropInt(const TPropValue& v) {
    BREVANT_ASSERT(std::holds_alternative<int>(v));
    return std::get<int>(v);
}
inline std::int64_t PropInt64(const TPropValue& v) {
    if (std::holds_alternative<int>(v)) return std::get<int>(v);
    BREVANT_ASSERT(std::holds_alternative<std::int64_t>(v));
    return std::get<std::int64_t>(v);
}
inline const UString& PropStr(const TPropValue& v) {
    BREVANT_ASSERT(std::holds_alternative<UString>(v));
    return std::get<UString>(v);
}
inline const std::vector<UString>& PropStrings(const TPropValue& v) {
    BREVANT_ASSERT(std::holds_alternative<std::vector<UString>>(v));
    return std::get<std::vector<UString>>(v);
}

enum TPropId : int {
    // Generic session properties.
    prUsername = 1,
    prPassword,
    prServer,
    prConnectionTimeout,
    prAutoCommit,
    prConvertEOL,
    prDisconnectedMode,
    prIsolationLevel,
    prDatabase,
    prPort,
    prEnableBCD,
    prEnableFmtBCD,
    prDefaultSortType,
    prLastInsertId,
    prIPVersion,
    prUseUnicode,
    // Session-level commands.
    prCommandTimeout = 50,
    prRowsProcessed,
    // MySQL sessions.
    prCompress = 100,
    prCharset,
    prProtocol,
    prEmbParams,
    prEmbedded,
    prDirect,
    prCheckPrecision,
    prOptimizedBigInt,
    prCheckBackslashes,
    prNeedBackslashes,
    prNullForZeroDelphiDate,
    prInteractive,
    // Encrypted channel (handed through to the protocol layer).
    prSSLKey = 150,
    prSSLCert,
    prSSLCA,
    prSSLCAPath,
    prSSLCipher,
};

/// Isolation levels of the generic layer; a MySQL session supports the first four.
enum TCRIsolationLevel : int { ilReadCommitted, ilReadUnCommitted, ilRepeatableRead, ilSerializable, ilSnapshot, ilCustom };

/// The MySQL connection component's property type; it takes the first four values.
using TMyIsolationLevel = TCRIsolationLevel;

enum TMyProtocol : int { mpDefault, mpTCP, mpPipe, mpMemory, mpSSL, mpHttp, mpSSLHttp };

enum TSortType : int { stCaseSensitive, stCaseInsensitive, stBinary };

enum TDANumericType { ntFloat, ntBCD, ntFmtBCD };

}  // namespace brevant
