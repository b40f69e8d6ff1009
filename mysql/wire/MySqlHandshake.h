#pragma once
// The pieces of the protocol-10 handshake that need no connection: capability
// flags, plugin kinds, the greeting parser and the handshake-response builder.
// Everything reads from a byte span with bounds checks, so the parser can be fed
// anything (tests, fuzzing) without a socket.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace brevant {

// Capability flags.
inline constexpr std::uint32_t CLIENT_LONG_PASSWORD = 0x1;
inline constexpr std::uint32_t CLIENT_FOUND_ROWS = 0x2;
inline constexpr std::uint32_t CLIENT_LONG_FLAG = 0x4;
inline constexpr std::uint32_t CLIENT_CONNECT_WITH_DB = 0x8;
inline constexpr std::uint32_t CLIENT_COMPRESS = 0x20;
inline constexpr std::uint32_t CLIENT_LOCAL_FILES = 0x80;
inline constexpr std::uint32_t CLIENT_PROTOCOL_41 = 0x200;
inline constexpr std::uint32_t CLIENT_INTERACTIVE = 0x400;
inline constexpr std::uint32_t CLIENT_SSL = 0x800;
inline constexpr std::uint32_t CLIENT_TRANSACTIONS = 0x2000;
inline constexpr std::uint32_t CLIENT_SECURE_CONNECTION = 0x8000;
inline constexpr std::uint32_t CLIENT_MULTI_STATEMENTS = 0x10000;
inline constexpr std::uint32_t CLIENT_MULTI_RESULTS = 0x20000;
inline constexpr std::uint32_t CLIENT_PLUGIN_AUTH = 0x80000;
/// The flags this client always asks for.
inline constexpr std::uint32_t CLIENT_BASE_FLAGS = 0x3A285;

// Server status flags.
inline constexpr std::uint32_t SERVER_STATUS_AUTOCOMMIT = 0x2;
inline constexpr std::uint32_t SERVER_MORE_RESULTS_EXISTS = 0x8;
inline constexpr std::uint32_t SERVER_STATUS_NO_BACKSLASH_ESCAPES = 0x200;

/// Transport choice (mysql_options MYSQL_OPT_PROTOCOL).
enum MYSQL_PROTOCOL_TYPE : int {
    MYSQL_PROTOCOL_DEFAULT = 0,
    MYSQL_PROTOCOL_TCP = 1,
    MYSQL_PROTOCOL_SOCKET = 2,
    MYSQL_PROTOCOL_PIPE = 3,
    MYSQL_PROTOCOL_MEMORY = 4,
    MYSQL_PROTOCOL_SSL = 5,
};

enum TMyPluginType { plNative, plOldPasword, plSha2_256, plCachingSha2, plWindows, plGSSAPI, plDialog, plOther };

/// The plugin kind of a plugin name: case-insensitive substring search, first
/// match in the table order wins; no match or an empty name gives plOther.
TMyPluginType GetPluginType(std::string_view pluginName);

/// The capability flags the client sends, from the session's flags, the
/// caller's flags, the server's capabilities and the transport choice.
std::uint32_t ComputeClientFlags(std::uint32_t sessionFlags, std::uint32_t callerFlags, std::uint32_t serverCapabilities,
                                 int protocolType);

/// The character-set number of the handshake response: 33 for exactly "utf8",
/// 8 for everything else (including an empty name).
std::uint8_t HandshakeCharsetNumber(std::string_view charset);

struct TMySqlGreeting {
    std::uint8_t protocolVersion = 0;
    std::string serverVersion;  // 8-bit text as sent
    std::uint32_t threadId = 0;
    std::uint8_t scramble[20] = {};
    std::uint32_t serverCapabilities = 0;
    std::uint8_t serverLanguage = 0;
    std::uint32_t serverStatus = 0;  // sign-extended 16-bit value
    std::string authPluginName;
};

enum class GreetingResult { Ok, WrongProtocol, Malformed };

/// Parses the first packet of a connection. Stops after the protocol version when
/// it is not 10 (WrongProtocol; the rest has another layout). Malformed when a
/// field that must be there is cut off.
GreetingResult ParseGreeting(std::span<const std::uint8_t> payload, TMySqlGreeting& greeting);

/// The authentication data of the first response, for a server with
/// CLIENT_SECURE_CONNECTION (a length byte and the proof, see the table in the
/// handshake code) or without it (the old scramble or a 0 byte).
std::vector<std::uint8_t> FirstAuthData(TMyPluginType plugin, std::string_view password,
                                        std::span<const std::uint8_t> scramble, bool secureConnection,
                                        bool encryptedChannel);

struct THandshakeResponse {
    std::uint32_t clientFlag = 0;
    std::uint32_t serverCapabilities = 0;
    std::uint8_t charsetNr = 8;
    std::string user;       // system code page
    std::vector<std::uint8_t> authData;
    std::string database;   // system code page
    std::string pluginName;
};

/// The payload of the handshake response: the 4.1 form when clientFlag has
/// CLIENT_PROTOCOL_41, else the pre-4.1 form.
std::vector<std::uint8_t> BuildHandshakeResponse(const THandshakeResponse& r);

/// DecodeVersion: "5.5.5-10.4.12-MariaDB" gives 10, 4, 12, true.
void DecodeVersion(std::string_view version, int& major, int& minor, int& release, bool& isMariaDB);

}  // namespace brevant
