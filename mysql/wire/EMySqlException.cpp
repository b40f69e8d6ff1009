#include "mysql/wire/EMySqlException.h"

#include <array>

namespace brevant {

namespace {

constexpr int kFirstClientError = 2000;

// Indexed by code - 2000.
constexpr std::array<const char16_t*, 48> kClientErrors = {
    /* 2000 */ u"Unknown MySQL error",
    /* 2001 */ u"Can't create UNIX socket (%d)",
    /* 2002 */ u"Can't connect to local MySQL server through socket '%-.64s' (%d)",
    /* 2003 */ u"Can't connect to MySQL server on '%s' (%d)",
    /* 2004 */ u"Can't create TCP/IP socket (%d)",
    /* 2005 */ u"Unknown MySQL Server Host '%-.64s' (%d)",
    /* 2006 */ u"MySQL server has gone away",
    /* 2007 */ u"Protocol mismatch. Server Version = %d Client Version = %d",
    /* 2008 */ u"MySQL client run out of memory",
    /* 2009 */ u"Wrong host info",
    /* 2010 */ u"Localhost via UNIX socket",
    /* 2011 */ u"%-.64s via TCP/IP",
    /* 2012 */ u"Error in server handshake",
    /* 2013 */ u"Lost connection to MySQL server during query",
    /* 2014 */ u"Commands out of sync;  You can't run this command now",
    /* 2015 */ u"%-.64s via named pipe",
    /* 2016 */ u"Can't wait for named pipe to host: %s  pipe: %s (%s)",
    /* 2017 */ u"Can't open named pipe to host: %s  pipe: %s (%s)",
    /* 2018 */ u"Can't set state of named pipe to host: %s  pipe: %s (%s)",
    /* 2019 */ u"Can't initialize character set %s (path: %s)",
    /* 2020 */ u"Got packet bigger than 'max_allowed_packet'",
    /* 2021 */ u"Embedded server",
    /* 2022 */ u"Error on SHOW SLAVE STATUS:",
    /* 2023 */ u"Error on SHOW SLAVE HOSTS:",
    /* 2024 */ u"Error connecting to slave:",
    /* 2025 */ u"Error connecting to master:",
    /* 2026 */ u"SSL connection error",
    /* 2027 */ u"Malformed packet",
    /* 2028 */ u"Invalid use of null pointer",
    /* 2029 */ u"Statement not prepared",
    /* 2030 */ u"Not all parameters data supplied",
    /* 2031 */ u"Data truncated",
    /* 2032 */ u"No parameters exists in the statement",
    /* 2033 */ u"Invalid parameter number",
    /* 2034 */ u"Can't send long data for non string or binary data types (parameter: %s)",
    /* 2035 */ u"Using unsupported buffer type: %s  (parameter: %s)",
    /* 2036 */ u"Shared memory (%s)",
    /* 2037 */ u"Can't open shared memory. Request event don't create  (%s)",
    /* 2038 */ u"Can't open shared memory. Answer event don't create  (%s)",
    /* 2039 */ u"Can't open shared memory. File mapping don't create  (%s)",
    /* 2040 */ u"Can't open shared memory. Map of memory don't create  (%s)",
    /* 2041 */ u"Can't open shared memory. File mapping don't create for client (%s)",
    /* 2042 */ u"Can't open shared memory. Map of memory don't create for client (%s)",
    /* 2043 */ u"Can't open shared memory. %s event don't create for client (%s)",
    /* 2044 */ u"Can't open shared memory. Server abandoded and don't sent the answer event (%s)",
    /* 2045 */ u"Can't open shared memory. Can't send the request event to server (%s)",
    /* 2046 */ u"Wrong or unknown protocol",
    /* 2047 */ u"Invalid connection handle",
};

}  // namespace

UString GetError(int errorCode) {
    int index = errorCode - kFirstClientError;
    if (index < 0 || index >= static_cast<int>(kClientErrors.size())) return {};
    return kClientErrors[index];
}

UString EMySqlException::ComposeMessage(int errorCode, UStringView tableText, UStringView msg) {
    if (msg.empty()) return UString(tableText);
    // For "cannot connect" the transport's own text says more than the table's.
    if (errorCode != CR_CONN_HOST_ERROR && !tableText.empty())
        return UString(tableText) + u"\r\n" + UString(msg);
    return UString(msg);
}

EMySqlException::EMySqlException(UString message) : Exception(std::move(message)) {}

EMySqlException::EMySqlException(int errorCode) : Exception(GetError(errorCode)), FErrorCode(errorCode) {}

EMySqlException::EMySqlException(int errorCode, UStringView msg)
    : Exception(ComposeMessage(errorCode, GetError(errorCode), msg)), FErrorCode(errorCode) {}

EMySqlException::EMySqlException(int errorCode, std::initializer_list<FormatArg> args, UStringView msg)
    : Exception(ComposeMessage(errorCode, Format(GetError(errorCode), args), msg)), FErrorCode(errorCode) {}

}  // namespace brevant
