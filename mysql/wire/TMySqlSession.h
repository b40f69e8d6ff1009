#pragma once
// One protocol session: the handshake and authentication (Connect), the commands
// and the answers to them, and the state the next command depends on. Failures
// are raised as EMySqlException (ERSAKeyError for a broken server key);
// TMySQLAPIDirect turns them into the session's error fields.
// One thread at a time.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/Text.h"
#include "mysql/wire/MySqlHandshake.h"
#include "mysql/wire/MySqlRowDecode.h"
#include "mysql/wire/TCRVio.h"
#include "mysql/wire/TMySqlNet.h"

namespace brevant {

class TMySqlResultSet;
class TMySqlStmt;

enum TMySqlStatus { msReady, msGetResult, msUseResult };

enum TServerCommand : std::uint8_t {
    scSleep, scQuit, scInitDb, scQuery, scFieldList, scCreateDb, scDropDb, scRefresh, scShutdown,
    scStatistics, scProcessInfo, scConnect, scProcessKill, scDebug, scPing, scTime, scDelayedInsert,
    scChangeUser, scBunLogDump, scTableDump, scConnectOut, scRegisterSlave, scPrepare, scExecute,
    scLongData, scCloseStmt,
};

/// The dialog plugin asks a question; the callback sets the answer.
using TDialogAuthPlugin = std::function<void(const UString& question, UString& answer)>;

/// Makes the transport for a connect (host, IP version, port). Tests hand in one
/// that counts or inspects what is written; the default makes a TCRVioTcp.
using TVioFactory = std::function<std::unique_ptr<TCRVio>(const UString& host, TIPVersion ipVersion, int port)>;

class TMySqlSession {
public:
    TMySqlSession();
    ~TMySqlSession();
    TMySqlSession(const TMySqlSession&) = delete;
    TMySqlSession& operator=(const TMySqlSession&) = delete;

    // --- handshake and authentication ---
    /// Empty arguments fall back to the session's fields; port 0 is 3306, an empty
    /// host "localhost".
    void Connect(UStringView host, UStringView user, UStringView passwd, UStringView db, int port,
                 UStringView unixSocket, std::uint32_t clientflag);
    bool IsProtocol41() const { return (serverCapabilities & FClientFlag & CLIENT_PROTOCOL_41) != 0; }

    // --- commands ---
    /// Sends a command with its data; unless skipCheck, receives the answer packet.
    void SimpleCommand(TServerCommand command, const std::uint8_t* data, std::size_t length, bool skipCheck);
    /// Reads the answer to a query: OK, error, local-file request or result header
    /// with its column definitions.
    void ReadQueryResult();
    /// Skips the rest of a streaming result without decoding it. The session is
    /// ready afterwards; an error that arrives among the rows is raised.
    void FreeQuery();
    void SelectDb(UStringView db);
    std::string Statistics();
    void Ping();
    void Kill(std::uint32_t id);
    /// Sends quit once and closes the packet layer (and with it the transport).
    void Close();

    /// Receives `count` column definitions and their EOF packet into `out`
    /// (error 2000 when the count differs).
    void ReadColumnDefinitions(std::uint32_t count, std::vector<TMySqlFieldInfo>& out);

    /// Opens the rows of the pending result (mysql_use_result); nullptr after an OK.
    TMySqlResultSet* UseResult();
    /// The next answer of a multi-statement text: true when one was read.
    bool NextResult();

    // --- fields ---
    bool FSkipPacket = false;
    std::int32_t FErrno = 0;
    std::string FError;  // 8-bit text as the server or the client gave it
    bool FIsServerError = false;
    std::uint32_t FClientFlag = 0;
    std::uint32_t FServerLanguage = 0;
    std::uint8_t FScrambleBuff[20] = {};
    std::string FAuthPluginName;
    TMyPacketType FPacketType = ptUnknown;
    bool FIsClosed = false;
    TIPVersion FIPVersion = ivIPv4;
    TMySqlResultSet* FResultSet = nullptr;  // streaming result, not owned
    std::vector<TMySqlStmt*> FStmts;        // open prepared statements, not owned
    TDialogAuthPlugin FOnDialogAuthPlugin;
    TVioFactory FVioFactory;

    TMySqlNet net;
    UString host, user, password, database;
    std::string serverVersion, hostInfo, info, charset;
    int port = 3306;
    int connectTimeout = 0;
    int commandTimeout = 0;
    std::uint32_t threadId = 0;
    std::uint32_t serverStatus = SERVER_STATUS_AUTOCOMMIT;
    std::uint32_t warningCount = 0;
    TMySqlStatus status = msReady;
    int protocolType = MYSQL_PROTOCOL_DEFAULT;
    std::uint32_t serverCapabilities = 0;
    std::vector<TMySqlFieldInfo> fields;
    std::uint64_t affectedRows = 0, insertId = 0, extraInfo = 0;
    std::uint32_t fieldCount = 0;

private:
    // Authentication exchanges (TMySqlSessionAuth.cpp).
    void Authenticate();
    void ReceiveAuthPacket();
    void SendAuthBytes(std::span<const std::uint8_t> bytes);
    void TakeSwitchScramble();
    void NativeSwitch();
    void OldSwitch(bool newScramble);
    void Sha256Switch();
    void Sha256PublicKey();
    void CachingSha2Switch();
    void CachingSha2Continue();
    void DialogExchange();
    void SendRsaPassword(bool oaep);
    std::string AnsiPassword() const;

    // Commands (TMySqlSessionCommands.cpp).
    void WriteCommand(TServerCommand command);
    void SendLocalFile(const std::string& fileName);
    /// Reads and drops rows up to the end-of-data packet.
    void SkipRows();
    std::string ReadOkInfo();

    /// The file named by the LOAD DATA LOCAL INFILE statement just sent, if the
    /// last query was one: the only file a local-file request may read.
    std::vector<std::string> FLocalInfileNames;
};

}  // namespace brevant
