#include "script/TMyDumpProcessor.h"

#include <ctime>
#include <mutex>

#include "core/Abort.h"
#include "core/Format.h"
#include "mysql/client/TCustomMyConnection.h"
#include "mysql/client/TMySQLConnection.h"
#include "mysql/wire/MySqlTypes.h"
#include "script/DumpNames.h"

namespace brevant {
namespace {

constexpr char kVersion[] = "9.4.10";
constexpr std::uint32_t kBinaryCharset = 63;

/// One statement's rows, read forward-only one row at a time on the dump's session.
class TDumpQuery {
public:
    TDumpQuery(TMySQLConnection& session, UStringView sql)
        : session_(session), lock_(session.FLock), api_(*session.GetMySQLAPI()), handle_(session.GetMySQL()) {
        if (!handle_) session.MySQLError();
        const std::string text = session.EncodeText(sql);
        session.Check(api_.mysql_real_query(handle_, text.data(), text.size()), nullptr);
        if (api_.mysql_field_count(handle_) == 0) return;
        result_ = api_.mysql_use_result(handle_);
        if (!result_) session.MySQLError();
        count_ = api_.mysql_num_fields(result_);
        lengths_.resize(count_);
    }
    ~TDumpQuery() {
        // Reads away what was not fetched, so the session is ready for the next statement.
        if (result_) api_.mysql_free_result(result_);
    }
    TDumpQuery(const TDumpQuery&) = delete;
    TDumpQuery& operator=(const TDumpQuery&) = delete;

    bool Next() {
        if (!result_) return false;
        row_ = api_.mysql_fetch_row(result_);
        if (!row_) {
            if (api_.mysql_errno(handle_) != 0) session_.MySQLError();
            return false;
        }
        api_._mysql_fetch_lengths(result_, lengths_.data());
        return true;
    }
    std::uint32_t FieldCount() const { return count_; }
    TMYSQL_FIELD Field(std::uint32_t i) {
        TMYSQL_FIELD field;
        api_._mysql_fetch_field_direct(result_, i, false, field);
        return field;
    }
    bool IsNull(std::uint32_t i) { return i >= count_ || api_._mysql_fetch_value_is_null(row_, i); }
    std::string_view Bytes(std::uint32_t i) {
        if (i >= count_) return {};
        const char* p = api_._mysql_fetch_value_ptr(result_, row_, i);
        return p ? std::string_view(p, lengths_[i]) : std::string_view();
    }
    UString Text(std::uint32_t i) { return session_.DecodeText(Bytes(i)); }

private:
    TMySQLConnection& session_;
    std::lock_guard<std::recursive_mutex> lock_;
    TMySQLAPI& api_;
    PMYSQL_CON handle_;
    PMYSQL_RES result_ = nullptr;
    PMYSQL_ROW row_ = nullptr;
    std::uint32_t count_ = 0;
    std::vector<std::uint32_t> lengths_;
};

enum TValueKind { vkText, vkNumber, vkDate, vkHex };

TValueKind KindOf(const TMYSQL_FIELD& f, bool hexBinary) {
    switch (f.MyType) {
        case MYSQL_TYPE_DECIMAL:
        case MYSQL_TYPE_TINY:
        case MYSQL_TYPE_SHORT:
        case MYSQL_TYPE_LONG:
        case MYSQL_TYPE_FLOAT:
        case MYSQL_TYPE_DOUBLE:
        case MYSQL_TYPE_LONGLONG:
        case MYSQL_TYPE_INT24:
        case MYSQL_TYPE_YEAR:
        case MYSQL_TYPE_NEWDECIMAL: return vkNumber;
        case MYSQL_TYPE_TIMESTAMP:
        case MYSQL_TYPE_DATE:
        case MYSQL_TYPE_TIME:
        case MYSQL_TYPE_DATETIME:
        case MYSQL_TYPE_NEWDATE: return vkDate;
        case MYSQL_TYPE_BIT:
        case MYSQL_TYPE_GEOMETRY: return hexBinary ? vkHex : vkText;
        case MYSQL_TYPE_VARCHAR:
        case MYSQL_TYPE_VAR_STRING:
        case MYSQL_TYPE_STRING:
        case MYSQL_TYPE_TINY_BLOB:
        case MYSQL_TYPE_MEDIUM_BLOB:
        case MYSQL_TYPE_LONG_BLOB:
        case MYSQL_TYPE_BLOB: return hexBinary && f.CharsetNr == kBinaryCharset ? vkHex : vkText;
        default: return vkText;
    }
}

void AppendHex(std::string& out, std::string_view bytes) {
    static const char digits[] = "0123456789ABCDEF";
    if (bytes.empty()) {
        out += "''";
        return;
    }
    out += "0x";
    const std::size_t at = out.size();
    out.resize(at + 2 * bytes.size());
    char* p = out.data() + at;
    for (unsigned char c : bytes) {
        *p++ = digits[c >> 4];
        *p++ = digits[c & 15];
    }
}

bool NeedsEscape(std::string_view bytes) {
    for (char c : bytes)
        switch (c) {
            case '\0':
            case '\n':
            case '\r':
            case '\\':
            case '\'':
            case '"':
            case '\x1A': return true;
            default: break;
        }
    return false;
}

UString NowText() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[32];
    std::strftime(text, sizeof text, "%d/%m/%Y %H:%M:%S", &local);
    return Widen(text);
}

}  // namespace

std::vector<UString> ListTableNames(TCustomMyConnection& connection) {
    TMySQLConnection* session = connection.Session();
    BREVANT_ASSERT(session != nullptr);
    std::vector<UString> names;
    TDumpQuery list(*session, u"SHOW TABLES");
    while (list.Next()) names.push_back(list.Text(0));
    return names;
}

TMySQLConnection& TMyDumpProcessor::Session() const {
    TMySQLConnection* session = FConnection.Session();
    BREVANT_ASSERT(session != nullptr);
    return *session;
}

UString TMyDumpProcessor::Quote(UStringView name) const { return QuoteNameIfNeeded(name, FOptions.QuoteNames); }

void TMyDumpProcessor::CheckCancelled() {
    if (Cancelled && Cancelled()) Abort();
}

void TMyDumpProcessor::Backup(const UString& query) {
    TMySQLConnection& session = Session();
    FCharset = session.UseUnicode() ? UString(u"utf8") : LowerCaseAscii(session.Charset());
    // Binary values pass through a text conversion unless the bytes are written as
    // they are (an 8-bit file): there they go as hexadecimal.
    FHexBinary = FOptions.HexBlob || FWriter.Encoding() != peAnsi || FWriter.ToLines();
    if (!query.empty()) {
        FObjects = doData;
        AddSettings();
        const UString name = TableNames.empty() ? UString() : Quote(TableNames.front());
        BackupData(name, query, true, 1, 1);
        RestoreSettings();
        FWriter.Flush();
        return;
    }
    if (FOptions.GenerateHeader) WriteHeader();
    AddSettings();
    if (FObjects & doDatabase) BackupDatabase();
    if (FObjects & doUsers) BackupUsers();
    if ((FObjects & doStoredProcs) && session.ServerPrimaryVer() > 4) BackupStoredProcs();
    if (FObjects & (doTables | doData | doViews)) {
        const std::vector<TTableEntry> tables = ListTables();
        const int count = static_cast<int>(tables.size());
        int num = 0;
        for (int pass = 0; pass < 2; ++pass) {
            for (const TTableEntry& table : tables) {
                if (table.IsView != (pass == 1)) continue;
                if (!table.IsView && !(FObjects & (doTables | doData))) continue;
                if (table.IsView && !(FObjects & doViews)) continue;
                CheckCancelled();
                const UString name = Quote(table.Name);
                ++num;
                if (OnProgress) OnProgress(table.Name, num, count, 0);
                if ((FObjects & doTables) || table.IsView) BackupStructure(table, name);
                if (!table.IsView && (FObjects & doData))
                    BackupData(name, u"SELECT * FROM " + name, FOptions.CompleteInsert, num, count);
                if (OnProgress) OnProgress(table.Name, num, count, 100);
                CheckCancelled();
            }
        }
    }
    if ((FObjects & doTriggers) && session.ServerPrimaryVer() > 4) BackupTriggers();
    CheckCancelled();
    RestoreSettings();
    FWriter.Flush();
}

void TMyDumpProcessor::WriteHeader() {
    TMySQLConnection& session = Session();
    FWriter.WriteLine(u"-- Kestrine version: " + Widen(kVersion));
    FWriter.WriteLine(u"-- MySQL server version: " + AnsiToUtf16(session.ServerVer()));
    FWriter.WriteLine(u"-- MySQL client version: " + FConnection.GetClientVersion());
    FWriter.WriteLine(u"-- Script date " + NowText());
    FWriter.WriteLine(u"-- " + UString(70, u'-') + u" ");
    FWriter.WriteLine(u"-- Server: " + FConnection.Server());
    FWriter.WriteLine(u"-- Database: " + FConnection.Database());
    FWriter.WriteLine(u"");
}

void TMyDumpProcessor::AddSettings() {
    if (!FCharset.empty()) {
        FWriter.WriteLine(u"/*!40101 SET @OLD_CHARACTER_SET_CLIENT=@@CHARACTER_SET_CLIENT */;");
        FWriter.WriteLine(u"/*!40101 SET @OLD_CHARACTER_SET_RESULTS=@@CHARACTER_SET_RESULTS */;");
        FWriter.WriteLine(u"/*!40101 SET @OLD_COLLATION_CONNECTION=@@COLLATION_CONNECTION */;");
        FWriter.WriteLine(u"/*!40101 SET NAMES " + FCharset + u" */;");
    }
    if (FObjects & (doTables | doData | doViews)) {
        FWriter.WriteLine(u"/*!40014 SET @OLD_FOREIGN_KEY_CHECKS=@@FOREIGN_KEY_CHECKS, FOREIGN_KEY_CHECKS=0 */;");
        FWriter.WriteLine(u"/*!40101 SET @OLD_SQL_MODE=@@SQL_MODE, SQL_MODE='NO_AUTO_VALUE_ON_ZERO' */;");
    }
}

void TMyDumpProcessor::RestoreSettings() {
    if (FObjects & (doTables | doData | doViews)) {
        FWriter.WriteLine(u"/*!40014 SET FOREIGN_KEY_CHECKS=@OLD_FOREIGN_KEY_CHECKS */;");
        FWriter.WriteLine(u"/*!40101 SET SQL_MODE=@OLD_SQL_MODE */;");
    }
    if (!FCharset.empty()) {
        FWriter.WriteLine(u"/*!40101 SET CHARACTER_SET_CLIENT=@OLD_CHARACTER_SET_CLIENT */;");
        FWriter.WriteLine(u"/*!40101 SET CHARACTER_SET_RESULTS=@OLD_CHARACTER_SET_RESULTS */;");
        FWriter.WriteLine(u"/*!40101 SET COLLATION_CONNECTION=@OLD_COLLATION_CONNECTION */;");
    }
}

void TMyDumpProcessor::BackupDatabase() {
    const UString name = Quote(FConnection.Database());
    if (FOptions.GenerateHeader) FWriter.WriteText(u"-- \r\n-- Database " + name + u" structure\r\n-- \r\n\r\n");
    if (FOptions.AddDrop) {
        FWriter.WriteLine(u"USE mysql;");
        FWriter.WriteLine(u"DROP DATABASE IF EXISTS " + name + u";");
    }
    FWriter.WriteLine(u"CREATE DATABASE " + name + u";");
    FWriter.WriteLine(u"USE " + name + u";");
    FWriter.WriteLine(u"");
}

void TMyDumpProcessor::BackupUsers() {
    if (FOptions.GenerateHeader) FWriter.WriteText(u"-- \r\n-- User permissions\r\n-- \r\n\r\n");
    std::vector<UString> accounts;
    {
        TDumpQuery users(Session(), u"SELECT User, Host FROM mysql.user");
        auto quoted = [](const UString& part) { return part.empty() ? UString(u"``") : BackQuote(part); };
        while (users.Next()) accounts.push_back(quoted(users.Text(0)) + u"@" + quoted(users.Text(1)));
    }
    for (const UString& account : accounts) {
        TDumpQuery grants(Session(), u"SHOW GRANTS FOR " + account);
        if (grants.Next()) FWriter.WriteLine(grants.Text(0) + u";");
    }
    FWriter.WriteLine(u"");
}

std::vector<TMyDumpProcessor::TTableEntry> TMyDumpProcessor::ListTables() {
    TMySQLConnection& session = Session();
    std::vector<TTableEntry> tables;
    if (TableNames.empty()) {
        TDumpQuery list(session, u"SHOW FULL TABLES");
        while (list.Next()) {
            TTableEntry entry;
            entry.Name = list.Text(0);
            entry.IsView = session.ServerPrimaryVer() > 4 && list.Text(1) == u"VIEW";
            tables.push_back(std::move(entry));
        }
        return tables;
    }
    for (const UString& name : TableNames) tables.push_back({name, false});
    if (session.ServerPrimaryVer() <= 4) return tables;
    UString sql = u"SHOW TABLE STATUS FROM " + BackQuote(FConnection.Database()) + u"\rWHERE NAME IN (";
    for (std::size_t i = 0; i < TableNames.size(); ++i) {
        if (i) sql += u',';
        sql += session.EscapeAndQuoteWideStr(TableNames[i]);
    }
    sql += u')';
    TDumpQuery status(session, sql);
    while (status.Next()) {
        if (!status.IsNull(1) && !status.Bytes(1).empty()) continue;
        const UString name = status.Text(0);
        for (TTableEntry& entry : tables)
            if (entry.Name == name) entry.IsView = true;
    }
    return tables;
}

void TMyDumpProcessor::BackupStructure(const TTableEntry& table, const UString& name) {
    if (FOptions.GenerateHeader) FWriter.WriteText(u"-- \r\n-- Table structure for table " + name + u"\r\n-- \r\n\r\n");
    if (FOptions.AddDrop)
        FWriter.WriteLine((table.IsView ? u"DROP VIEW IF EXISTS " : u"DROP TABLE IF EXISTS ") + name + u";");
    UString create;
    {
        TDumpQuery show(Session(), u"SHOW CREATE TABLE " + name);
        if (show.Next()) create = show.Text(1);
    }
    FWriter.WriteLine(create + u";");
    FWriter.WriteLine(u"");
}

void TMyDumpProcessor::BackupData(const UString& tableName, const UString& select, bool columnList, int num,
                                  int count) {
    TMySQLConnection& session = Session();
    UString name = tableName;
    const bool isTable = select.rfind(u"SELECT * FROM ", 0) == 0;
    auto header = [&] {
        if (FOptions.GenerateHeader)
            FWriter.WriteText(u"-- \r\n-- Dumping data for table " + name + u"\r\n-- \r\n\r\n");
    };
    const bool truncate = isTable && FOptions.AddDrop && !(FObjects & doTables);
    std::uint64_t total = 0;
    if (isTable) {
        header();
        if (truncate) FWriter.WriteLine(u"TRUNCATE TABLE " + name + u";");
        TDumpQuery countQuery(session, u"SELECT COUNT(*) FROM " + name);
        if (countQuery.Next()) total = std::strtoull(std::string(countQuery.Bytes(0)).c_str(), nullptr, 10);
        if (total == 0) {
            if (truncate) FWriter.WriteLine(u"");
            return;
        }
    }
    const bool lock = FOptions.AddLock && !FOptions.UseDelayedIns;
    bool started = false;  // LOCK and ALTER written
    auto start = [&] {
        if (started) return;
        started = true;
        if (lock) FWriter.WriteLine(u"LOCK TABLES " + name + u" WRITE;");
        if (FOptions.DisableKeys) FWriter.WriteLine(u"/*!40000 ALTER TABLE " + name + u" DISABLE KEYS */;");
    };

    TDumpQuery rows(session, select);
    const std::uint32_t n = rows.FieldCount();
    if (!isTable) {
        // A query's rows go into the table its first column comes from.
        if (name.empty() && n > 0) name = Quote(session.DecodeText(rows.Field(0).OrgTable));
        header();
    }
    std::vector<TValueKind> kinds(n);
    static const char16_t* const kHeads[2][3] = {
        {u"INSERT INTO ", u"INSERT IGNORE INTO ", u"REPLACE INTO "},
        {u"INSERT DELAYED INTO ", u"INSERT DELAYED IGNORE INTO ", u"REPLACE DELAYED INTO "}};
    UString head = kHeads[FOptions.UseDelayedIns ? 1 : 0][FOptions.InsertType] + name;
    if (columnList) head += u"(";
    for (std::uint32_t i = 0; i < n; ++i) {
        const TMYSQL_FIELD field = rows.Field(i);
        kinds[i] = KindOf(field, FHexBinary);
        if (columnList) {
            if (i) head += u", ";
            head += Quote(session.DecodeText(field.Name));
        }
    }
    head += columnList ? u") VALUES" : u" VALUES";
    const std::string headBytes = session.EncodeText(head);

    const bool ext = FOptions.UseExtSyntax;
    const int batch = FOptions.CommitBatchSize;
    std::string row, pending;  // reused for every row
    bool inStatement = false;
    std::size_t statementLength = 0;
    std::uint64_t done = 0;
    int lastPercent = -1;
    std::uint64_t inBatch = 0;
    auto endStatement = [&](std::string& line) {
        line += ';';
        FWriter.WriteRowLine(line);
        if (batch > 0) FWriter.WriteLine(u"COMMIT;");
        inStatement = false;
    };
    while (rows.Next()) {
        start();
        row.assign(ext ? " (" : "");
        if (!ext) {
            row.assign(headBytes);
            row += " (";
        }
        for (std::uint32_t i = 0; i < n; ++i) {
            if (i) row += ',';
            if (rows.IsNull(i)) {
                row += "NULL";
                continue;
            }
            const std::string_view v = rows.Bytes(i);
            switch (kinds[i]) {
                case vkNumber: row += v; break;
                case vkDate:
                    row += '\'';
                    row += v;
                    row += '\'';
                    break;
                case vkHex: AppendHex(row, v); break;
                case vkText:
                    if (NeedsEscape(v)) {
                        row += session.EscapeAndQuoteStr(v);
                    } else {
                        row += '\'';
                        row += v;
                        row += '\'';
                    }
                    break;
            }
        }
        row += ')';
        ++done;
        if (ext) {
            if (!pending.empty()) {
                pending += ',';
                FWriter.WriteRowLine(pending);
                pending.clear();
            }
            if (!inStatement) {
                if (batch > 0) FWriter.WriteLine(u"BEGIN;");
                FWriter.WriteRowLine(headBytes);
                inStatement = true;
                statementLength = headBytes.size() + 2;  // the head and its line break
            }
            // Counted as the statement reaches the server: each row line with its
            // "," and line break, so that no statement grows past the limit.
            statementLength += row.size() + 3;
            if (statementLength + 2 * row.size() > kDumpStatementLimit) endStatement(row);
            else pending.swap(row);
        } else {
            if (batch > 0 && inBatch == 0) FWriter.WriteLine(u"BEGIN;");
            row += ';';
            FWriter.WriteRowLine(row);
            if (batch > 0 && ++inBatch == static_cast<std::uint64_t>(batch)) {
                FWriter.WriteLine(u"COMMIT;");
                inBatch = 0;
            }
        }
        if (OnProgress && total > 0) {
            const int percent = static_cast<int>(std::min<std::uint64_t>(99, done * 100 / total));
            if (percent != lastPercent) {
                lastPercent = percent;
                OnProgress(name, num, count, percent);
            }
        }
        if ((done & 255) == 0) CheckCancelled();
    }
    if (!pending.empty()) endStatement(pending);
    if (!ext && batch > 0 && inBatch > 0) FWriter.WriteLine(u"COMMIT;");
    if (!started) return;
    if (FOptions.DisableKeys) FWriter.WriteLine(u"/*!40000 ALTER TABLE " + name + u" ENABLE KEYS */;");
    if (lock) FWriter.WriteLine(u"UNLOCK TABLES;");
    FWriter.WriteLine(u"");
}

void TMyDumpProcessor::BackupStoredProcs() {
    TMySQLConnection& session = Session();
    const UString db = FConnection.Database().empty() ? UString(u"mysql") : LowerCaseAscii(FConnection.Database());
    const UString dbLiteral = session.EscapeAndQuoteWideStr(db);
    std::vector<UString> names = StoredProcNames;
    if (names.empty()) {
        TDumpQuery list(session, u"SELECT ROUTINE_NAME FROM information_schema.routines WHERE LOWER(routine_schema) = " +
                                     dbLiteral + u" ORDER BY ROUTINE_NAME");
        while (list.Next()) names.push_back(list.Text(0));
    }
    UString previous;
    for (const UString& routine : names) {
        if (routine == previous) continue;  // a function and a procedure of one name: both below
        previous = routine;
        std::vector<UString> types;
        {
            TDumpQuery type(session, u"SELECT ROUTINE_TYPE FROM information_schema.routines WHERE (LOWER(routine_schema) = " +
                                         dbLiteral + u") AND (routine_name = " +
                                         session.EscapeAndQuoteWideStr(routine) + u") ORDER BY ROUTINE_TYPE");
            while (type.Next()) types.push_back(type.Text(0));
        }
        const UString name = Quote(routine);
        for (const UString& type : types) {
            UString create;
            {
                TDumpQuery show(session, u"SHOW CREATE " + type + u" " + name);
                if (show.Next()) create = show.Text(2);
            }
            if (FOptions.GenerateHeader) FWriter.WriteText(u"-- \r\n-- StoredProc " + name + u"\r\n-- \r\n\r\n");
            FWriter.WriteLine(u"DELIMITER $$");
            if (FOptions.AddDrop) FWriter.WriteLine(u"DROP " + type + u" IF EXISTS " + name + u" $$");
            FWriter.WriteLine(create + u" $$");
            FWriter.WriteLine(u"DELIMITER ;");
            FWriter.WriteLine(u"");
            FWriter.WriteLine(u"");
        }
    }
}

void TMyDumpProcessor::BackupTriggers() {
    TMySQLConnection& session = Session();
    std::vector<UString> lookups;
    if (!TableNames.empty() && TriggerNames.empty()) {
        // The table's name matched exactly: LIKE would take "_" and "%" as patterns.
        for (const UString& table : TableNames)
            lookups.push_back(u"SHOW TRIGGERS WHERE `Table` = " + session.EscapeAndQuoteWideStr(table));
    } else {
        std::vector<UString> names = TriggerNames;
        if (names.empty()) {
            const UString db =
                FConnection.Database().empty() ? UString(u"mysql") : LowerCaseAscii(FConnection.Database());
            TDumpQuery list(session,
                            u"SELECT TRIGGER_SCHEMA, TRIGGER_NAME FROM information_schema.TRIGGERS WHERE "
                            u"LOWER(TRIGGER_SCHEMA) = " +
                                session.EscapeAndQuoteWideStr(db) + u" ORDER BY TRIGGER_SCHEMA, TRIGGER_NAME ");
            while (list.Next()) names.push_back(list.Text(1));
        }
        for (const UString& name : names)
            lookups.push_back(u"SHOW TRIGGERS WHERE `trigger` = " + session.EscapeAndQuoteWideStr(name));
    }
    struct TTrigger {
        UString Name, Event, Table, Statement, Timing;
    };
    for (const UString& lookup : lookups) {
        std::vector<TTrigger> triggers;
        {
            TDumpQuery show(session, lookup);
            while (show.Next()) triggers.push_back({show.Text(0), show.Text(1), show.Text(2), show.Text(3), show.Text(4)});
        }
        if (triggers.empty()) continue;
        FWriter.WriteLine(u"DELIMITER $$");
        for (const TTrigger& t : triggers) {
            const UString name = Quote(t.Name);
            if (FOptions.GenerateHeader) FWriter.WriteText(u"-- \r\n-- Trigger " + name + u"\r\n-- \r\n\r\n");
            if (FOptions.AddDrop && !(FObjects & doTables)) FWriter.WriteLine(u"DROP TRIGGER IF EXISTS " + name + u" $$");
            FWriter.WriteLine(u"CREATE TRIGGER " + name + u" " + t.Timing + u" " + t.Event + u" ON " + Quote(t.Table) +
                              u" FOR EACH ROW");
            FWriter.WriteLine(t.Statement + u" $$");
            FWriter.WriteLine(u"");
        }
        FWriter.WriteLine(u"DELIMITER ;");
        FWriter.WriteLine(u"");
    }
}

}  // namespace brevant
