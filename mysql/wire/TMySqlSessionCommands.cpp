// TMySqlSession: commands, the answer to a query (OK, local-file request,
// result header and column definitions), skipping results, further results of
// a multi-statement text, and closing.

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "core/Format.h"
#include "core/ScopeExit.h"
#include "mysql/wire/EMySqlException.h"
#include "mysql/wire/MySqlLocalInfile.h"
#include "mysql/wire/PacketReader.h"
#include "mysql/wire/TMySqlResultSet.h"
#include "mysql/wire/TMySqlSession.h"
#include "mysql/wire/WireCodec.h"

namespace brevant {

namespace {

// The most columns a result may announce: the server's own limit is far below.
constexpr std::int64_t kMaxFieldCount = 0xFFFF;
// Chunk of a local-file upload: BUFFER_LENGTH - 16 rounded up to a multiple of 4096.
constexpr std::size_t kLocalFileChunk = ((BUFFER_LENGTH - 16) + 4095) / 4096 * 4096;

UString StatusDetail(TMySqlStatus status) { return u"mysql.status = " + IntToStr(status); }

// The message of an OK packet. Servers send it as a length-encoded string; taken
// as plain text up to a 0 byte, its length byte would show as a first character.
std::string ReadOkInfoFrom(TMySqlNet& net) {
    if (net.Remaining() == 0) return {};
    TPacketReader r = net.Reader();
    const std::size_t start = r.Position();
    try {
        std::size_t offset, length;
        if (r.ReadFieldBounds(offset, length)) {
            net.SetPosition(r.Position());
            return std::string(reinterpret_cast<const char*>(r.Data()) + offset, length);
        }
    } catch (const Exception&) {
        // Not a length-encoded string after all: the rest up to a 0 byte.
    }
    net.SetPosition(start);
    return net.ReadString();
}

}  // namespace

std::string TMySqlSession::ReadOkInfo() { return ReadOkInfoFrom(net); }

void TMySqlSession::WriteCommand(TServerCommand command) {
    if (status != msReady) throw EMySqlException(CR_COMMANDS_OUT_OF_SYNC);
    info.clear();
    affectedRows = 0;
    net.NewCommand();
    net.WriteByte(command);
}

void TMySqlSession::SimpleCommand(TServerCommand command, const std::uint8_t* data, std::size_t length,
                                  bool skipCheck) {
    TCRVio* vio = net.GetVio();
    if (!vio) return;
    if (vio->GetReceiveTimeout() != commandTimeout) vio->SetReceiveTimeout(commandTimeout);
    WriteCommand(command);
    // Only a file the statement itself names may be uploaded (see SendLocalFile).
    FLocalInfileNames.clear();
    if (command == scQuery && length) FLocalInfileNames = LocalInfileNames({reinterpret_cast<const char*>(data), length});
    if (length) net.WriteOrSendBytes(data, 0, length);
    net.Send();
    if (!skipCheck) net.ReceiveRow();
}

void TMySqlSession::ReadQueryResult() {
    serverStatus = SERVER_STATUS_AUTOCOMMIT;
    net.ReceiveRow();
    for (;;) {
        net.SetPosition(0);
        const std::int64_t n = net.ReadFieldLength();
        if (n == 0) {
            fieldCount = 0;
            affectedRows = static_cast<std::uint64_t>(net.ReadFieldLength());
            insertId = static_cast<std::uint64_t>(net.ReadFieldLength());
            if (IsProtocol41() || (serverCapabilities & CLIENT_TRANSACTIONS))
                serverStatus = static_cast<std::uint32_t>(SignExtend16(net.ReadUInt16()));
            if (IsProtocol41()) warningCount = net.ReadUInt16();
            info = ReadOkInfo();
            return;
        }
        if (n == NULL_LENGTH) {
            fieldCount = static_cast<std::uint32_t>(n);
            SendLocalFile(net.ReadString());
            continue;  // the server's answer to the upload is the current packet
        }
        if (n < 0 || n > kMaxFieldCount) throw EMySqlException(CR_MALFORMED_PACKET);
        fieldCount = static_cast<std::uint32_t>(n);
        if (net.Remaining() > 0) extraInfo = static_cast<std::uint64_t>(net.ReadFieldLength());
        ReadColumnDefinitions(fieldCount, fields);
        status = msGetResult;
        warningCount = 0;
        return;
    }
}

void TMySqlSession::ReadColumnDefinitions(std::uint32_t count, std::vector<TMySqlFieldInfo>& out) {
    net.SetRowCount(static_cast<int>(count) + 1);
    std::uint32_t received = 0;
    for (;;) {
        net.ReceiveRow();
        auto packet = net.GetRowBytes();
        if (IsEndOfData(packet, IsProtocol41())) {
            ReadEndOfData(packet, warningCount, serverStatus);
            net.SetEof();
            break;
        }
        ++received;
    }
    if (received != count) {
        net.SetRowCount(1);
        throw EMySqlException(CR_UNKNOWN_ERROR);
    }
    out.assign(count, {});
    const bool protocol41 = IsProtocol41();
    const bool longFlag = serverCapabilities & CLIENT_LONG_FLAG;
    for (std::uint32_t i = 0; i < count; ++i) {
        DecodeResult r = DecodeColumnDefinition(net.GetRows(static_cast<int>(i)), protocol41, longFlag, out[i]);
        if (r != DecodeResult::Ok) {
            out.clear();
            net.SetRowCount(1);
            if (r == DecodeResult::BadLengthByte) RaiseBadFieldLength();
            throw EMySqlException(CR_MALFORMED_PACKET);
        }
    }
    net.SetRowCount(1);
}

void TMySqlSession::SendLocalFile(const std::string& fileName) {
    const bool allowed = !fileName.empty() && std::find(FLocalInfileNames.begin(), FLocalInfileNames.end(),
                                                        fileName) != FLocalInfileNames.end();
    FLocalInfileNames.clear();

    net.Clear();  // the sequence continues after the server's request
    UString failure;
    int code = 0;
    if (!allowed) {
        code = CR_LOAD_DATA_LOCAL_INFILE_REJECTED;
        failure = Format(u"LOAD DATA LOCAL INFILE request refused: the server asked for the file '%s', "
                         u"which the statement sent does not name; nothing was sent",
                         {AnsiToUtf16(fileName)});
    } else {
        int fd = ::open(fileName.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) {
            failure = Format(u"Cannot open file \"%s\". %s", {AnsiToUtf16(fileName), Utf8ToUtf16(std::strerror(errno))});
        } else {
            std::uint8_t chunk[kLocalFileChunk];
            for (;;) {
                ssize_t n = ::read(fd, chunk, sizeof chunk);
                if (n < 0 && errno == EINTR) continue;
                if (n < 0) {
                    failure = Format(u"Cannot read file \"%s\". %s",
                                     {AnsiToUtf16(fileName), Utf8ToUtf16(std::strerror(errno))});
                    break;
                }
                if (n == 0) break;
                net.WriteBytes(chunk, 0, static_cast<std::size_t>(n));
                net.Send();
            }
            ::close(fd);
        }
    }
    net.SendEmpty();
    net.ReceiveRow();  // the server's answer; an error packet here wins
    if (!failure.empty()) {
        if (code) throw EMySqlException(code, failure);
        throw Exception(failure);
    }
}

void TMySqlSession::FreeQuery() {
    // Callers skip only a stream that has not ended. An error recorded by another
    // operation meanwhile (a command refused with 2014) says nothing about the
    // rows still on the connection, so it does not stop the skipping.
    if (status == msReady) return;
    // However the skipping ends, the session is ready again. An error packet in
    // place of a row (a subquery that returned more than one row) ends the whole
    // answer, so a "more results" announced before it no longer holds; a broken
    // connection is reported by the next command. The error goes to the caller.
    const ScopeExit ready([this] {
        status = msReady;
        if (FResultSet) FResultSet->MarkEnd();
    });
    try {
        SkipRows();
    } catch (const Exception&) {
        serverStatus &= ~SERVER_MORE_RESULTS_EXISTS;
        FSkipPacket = false;
        throw;
    }
    if (FSkipPacket) {
        FSkipPacket = false;
        net.ReceiveRow();
    }
}

void TMySqlSession::SkipRows() {
    if (status == msUseResult || status == msGetResult) {
        const bool protocol41 = IsProtocol41();
        if (net.GetCompress()) {
            for (;;) {
                net.ReceiveRow();
                if (IsEndOfData(net.GetRowBytes(), protocol41)) break;
            }
        } else {
            for (;;) {
                // Each piece of a split packet takes a sequence number: only a
                // packet of one piece can be the short end-of-data packet, not
                // the small last piece of a long row that starts with 0xFE.
                const std::uint8_t before = net.GetPacketNumber();
                std::uint8_t first = 0;
                std::size_t length = net.SkipRow(first);
                const bool onePiece = static_cast<std::uint8_t>(net.GetPacketNumber() - before) == 1;
                if (onePiece && IsEndOfData(first, length, protocol41)) break;
            }
        }
    }
}

TMySqlResultSet* TMySqlSession::UseResult() {
    if (fields.empty()) return nullptr;
    if (status != msGetResult) throw EMySqlException(CR_COMMANDS_OUT_OF_SYNC, StatusDetail(status));
    auto* result = new TMySqlResultSet(this, std::move(fields), fieldCount);
    fields.clear();
    FResultSet = result;
    status = msUseResult;
    return result;
}

bool TMySqlSession::NextResult() {
    if (status != msReady) throw EMySqlException(CR_COMMANDS_OUT_OF_SYNC, StatusDetail(status));
    affectedRows = static_cast<std::uint64_t>(-1);
    if (!(serverStatus & SERVER_MORE_RESULTS_EXISTS)) return false;
    ReadQueryResult();
    return true;
}

void TMySqlSession::SelectDb(UStringView db) {
    std::string name = Utf16ToAnsi(db);
    SimpleCommand(scInitDb, reinterpret_cast<const std::uint8_t*>(name.data()), name.size(), false);
    database = db;
}

std::string TMySqlSession::Statistics() {
    SimpleCommand(scStatistics, nullptr, 0, false);
    auto bytes = net.GetRowBytes();
    return std::string(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

void TMySqlSession::Ping() { SimpleCommand(scPing, nullptr, 0, false); }

void TMySqlSession::Kill(std::uint32_t id) {
    std::uint8_t data[4];
    StoreLE(data, id, 4);
    SimpleCommand(scProcessKill, data, sizeof data, false);
}

void TMySqlSession::Close() {
    if (FIsClosed) return;
    FIsClosed = true;
    status = msReady;
    try {
        if (net.GetVio() && net.GetVio()->GetConnected()) {
            net.NewCommand();
            net.WriteByte(scQuit);
            net.Send();
        }
    } catch (...) {
        // The connection may already be gone; closing goes on regardless.
    }
    net.Close();
}

}  // namespace brevant
