#pragma once
// The fixed texts of the connection layer, used by name in code and tests.

namespace brevant {

inline constexpr char16_t SConnectionOpen[] = u"Cannot perform this operation on an open connection";
inline constexpr char16_t SCannotConnect[] = u"Cannot connect to database";
inline constexpr char16_t SPoolingAssignConnect[] = u"Operation is not allowed when Pooling is True";
inline constexpr char16_t SConnectionNotDefined[] = u"Connection is not defined";
inline constexpr char16_t SWrongProtocol[] = u"Wrong protocol";
inline constexpr char16_t SUnsupportedIsolationLevel[] = u"Unsupported transaction isolation level";
inline constexpr char16_t SReadOnlyTransactionNotSupported[] = u"Readonly transactions are not supported by the database";

// Facilities that are named but not built yet.
inline constexpr char16_t SPoolingNotSupported[] = u"Connection pooling is not supported";
inline constexpr char16_t SHttpNotSupported[] = u"HTTP tunnelling is not supported";
inline constexpr char16_t SMySQLAPINotSupported[] = u"%s is not supported in this build";
inline constexpr char16_t SInvalidCharsetName[] = u"Invalid character set name: %s";
inline constexpr char16_t SInvalidEncryptedPassword[] = u"Invalid encrypted password";

}  // namespace brevant
