#pragma once
// Errors of the MySQL protocol client: a message, a numeric code and whether the
// server sent the error. Client-side codes 2000..2047 take their text from a fixed
// table; a detail from a lower layer goes on a line of its own under that text.

#include <cstdint>
#include <initializer_list>
#include <type_traits>

#include "core/Errors.h"
#include "core/Format.h"
#include "core/Text.h"

namespace brevant {

// Codes the protocol client and the session raise by number; the texts of
// 2000..2047 are in the table behind GetError.
constexpr int CR_UNKNOWN_ERROR = 2000;
constexpr int CR_CONN_HOST_ERROR = 2003;
constexpr int CR_SERVER_GONE_ERROR = 2006;
constexpr int CR_VERSION_ERROR = 2007;
constexpr int CR_OUT_OF_MEMORY = 2008;
constexpr int CR_SERVER_LOST = 2013;
constexpr int CR_COMMANDS_OUT_OF_SYNC = 2014;
constexpr int CR_NET_PACKET_TOO_LARGE = 2020;
constexpr int CR_MALFORMED_PACKET = 2027;
constexpr int CR_NULL_POINTER = 2028;
constexpr int CR_NO_PREPARE_STMT = 2029;
constexpr int CR_PARAMS_NOT_BOUND = 2030;
constexpr int CR_INVALID_PARAMETER_NO = 2033;
constexpr int CR_CONN_UNKNOW_PROTOCOL = 2046;
/// A refused local-file request (no data was sent); its text says which file.
constexpr int CR_LOAD_DATA_LOCAL_INFILE_REJECTED = 2068;
// Server codes the packet layer raises itself.
constexpr int ER_NET_PACKETS_OUT_OF_ORDER = 1156;
constexpr int ER_NET_UNCOMPRESS_ERROR = 1157;

/// The client message for codes 2000..2047; empty for every other code.
UString GetError(int errorCode);

class EMySqlException : public Exception {
public:
    /// Code 0, not a server error, the message as given.
    explicit EMySqlException(UString message);
    /// The table text of the code.
    explicit EMySqlException(int errorCode);
    /// The table text with `msg` on a second line (see ComposeMessage).
    EMySqlException(int errorCode, UStringView msg);
    /// The same, marking an error the server sent. (Only a real bool selects this
    /// form, so a text in the third place means format arguments come second.)
    template <class Bool, std::enable_if_t<std::is_same_v<Bool, bool>, int> = 0>
    EMySqlException(int errorCode, UStringView msg, Bool isServerError)
        : EMySqlException(errorCode, msg) {
        FIsServerError = isServerError;
    }
    /// The table text formatted with `args` first, then composed with `msg`.
    EMySqlException(int errorCode, std::initializer_list<FormatArg> args, UStringView msg = {});

    std::int32_t ErrorCode() const { return FErrorCode; }
    bool IsServerError() const { return FIsServerError; }

    /// table text + CR LF + msg; msg alone for 2003 or when the code has no table
    /// text; the table text alone when msg is empty.
    static UString ComposeMessage(int errorCode, UStringView tableText, UStringView msg);

private:
    std::int32_t FErrorCode = 0;
    bool FIsServerError = false;
};

}  // namespace brevant
