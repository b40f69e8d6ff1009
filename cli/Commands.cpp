#include "cli/Commands.h"

#include <fcntl.h>
#include <signal.h>
#include <termios.h>
#include <unistd.h>

#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "cli/Progress.h"
#include "cli/RowText.h"
#include "core/Abort.h"
#include "core/Text.h"
#include "data/TMyQuery.h"
#include "mysql/client/DAErrors.h"
#include "mysql/client/TCustomMyConnection.h"
#include "mysql/client/TMyCommand.h"
#include "paths/FDCommand.h"
#include "paths/FDConn.h"
#include "paths/FDQuery.h"
#include "paths/TMyEmbConnection.h"
#include "script/DumpNames.h"
#include "script/TMyDump.h"

namespace brevant::cli {
namespace {

volatile sig_atomic_t gInterrupted = 0;

/// Rows a query fetches per block.
constexpr int kFetchRows = 1000;

void OnInterrupt(int) { gInterrupted = 1; }

/// Writes rows through one buffer; the stream is written when it fills.
class TOutput {
public:
    explicit TOutput(std::FILE* stream) : FStream(stream) {}
    std::string& Line() { return FBuffer; }
    void EndLine() {
        FBuffer += '\n';
        if (FBuffer.size() >= (1 << 16)) Flush();
    }
    void Flush() {
        if (!FBuffer.empty() && std::fwrite(FBuffer.data(), 1, FBuffer.size(), FStream) != FBuffer.size())
            throw std::runtime_error("cannot write the output");
        FBuffer.clear();
    }

private:
    std::FILE* FStream;
    std::string FBuffer;
};

/// The Access driver writes notes of its own to stdout (a blank line on open, parse
/// errors): while it is loaded they go to stderr, and the results to the real stdout,
/// so that a pipe gets the rows alone.
class TStdoutAside {
public:
    TStdoutAside() {
        std::fflush(stdout);
        const int saved = ::dup(STDOUT_FILENO);
        if (saved < 0) return;
        FOut = ::fdopen(saved, "w");
        if (!FOut) {
            ::close(saved);
            return;
        }
        ::dup2(STDERR_FILENO, STDOUT_FILENO);
    }
    ~TStdoutAside() {
        if (FOut) std::fclose(FOut);
    }
    TStdoutAside(const TStdoutAside&) = delete;
    TStdoutAside& operator=(const TStdoutAside&) = delete;
    /// Where results go: the stdout the program was given.
    std::FILE* Out() const { return FOut ? FOut : stdout; }

private:
    std::FILE* FOut = nullptr;
};

bool IsBinary(TFieldType type) { return type == ftBytes || type == ftVarBytes || type == ftBlob; }

bool IsAscii(std::string_view bytes) {
    for (char c : bytes)
        if (static_cast<unsigned char>(c) >= 0x80) return false;
    return true;
}

/// The value of the current record as UTF-8 (bytes as they are for binary columns),
/// read in place where it already is that; `scratch` holds a converted one.
std::string_view ValueText(const TField& field, const TFieldValue& v, std::string& scratch) {
    scratch.clear();
    switch (v.Kind) {
        case TValueKind::Bytes: return v.Bytes;
        case TValueKind::AnsiText:
            if (IsAscii(v.Bytes)) return v.Bytes;
            AppendUtf16AsUtf8(scratch, AnsiToUtf16(v.Bytes));
            return scratch;
        case TValueKind::WideText: AppendUtf16AsUtf8(scratch, v.Wide); return scratch;
        case TValueKind::Integer: {
            char digits[24];
            const auto end = std::to_chars(digits, digits + sizeof digits, v.Int).ptr;
            scratch.assign(digits, end);
            return scratch;
        }
        default:
            if (IsBinary(field.DataType())) scratch = field.ValueAsBytes(v);
            else AppendUtf16AsUtf8(scratch, field.ValueAsString(v));
            return scratch;
    }
}

/// Writes the header and every row from the current record on: a forward-only
/// dataset is read once, one block at a time.
void WriteRows(TDataSet& data, TRowFormat format, std::FILE* stream = stdout) {
    TOutput out(stream);
    const int count = data.FieldCount();
    std::vector<const TField*> fields;
    for (int i = 0; i < count; ++i) fields.push_back(&data.Fields()[i]);
    for (int i = 0; i < count; ++i) AppendField(out.Line(), format, Narrow(fields[i]->FieldName()), false, i == 0);
    out.EndLine();
    std::string scratch;
    for (; !data.Eof(); data.Next()) {
        for (int i = 0; i < count; ++i) {
            const TFieldValue v = fields[i]->CurrentValue();
            AppendField(out.Line(), format, v.IsNull() ? std::string_view() : ValueText(*fields[i], v, scratch),
                        v.IsNull(), i == 0);
        }
        out.EndLine();
    }
    out.Flush();
    if (std::fflush(stream) != 0) throw std::runtime_error("cannot write the output");
}

std::unique_ptr<TCustomMyConnection> OpenMy(const TCliOptions& o) {
    std::unique_ptr<TCustomMyConnection> conn;
    if (o.kind == TKind::Embedded) {
        auto emb = std::make_unique<TMyEmbConnection>();
        if (!o.basedir.empty()) emb->SetBaseDir(Utf8ToUtf16(o.basedir));
        emb->SetDataDir(Utf8ToUtf16(o.datadir));
        emb->SetUsername(Utf8ToUtf16(o.user.empty() ? "root" : o.user));
        conn = std::move(emb);
    } else {
        auto my = std::make_unique<TMyConnection>();
        my->SetServer(Utf8ToUtf16(o.server));
        my->SetPort(o.port);
        my->Options().SetIPVersion(ivIPBoth);
        my->SetUsername(Utf8ToUtf16(o.user));
        my->SetPassword(Utf8ToUtf16(ReadPassword()));
        conn = std::move(my);
    }
    conn->SetLoginPrompt(false);
    conn->Options().SetUseUnicode(true);
    conn->SetDatabase(Utf8ToUtf16(o.database));
    conn->Open();
    return conn;
}

/// Line numbers of a script by the runner's character offsets, read once on the
/// first failure.
class TScriptLines {
public:
    explicit TScriptLines(std::string fileName) : FFileName(std::move(fileName)) {}
    int LineOf(std::int64_t offset) {
        if (!FLoaded) Load();
        int line = 1;
        const std::int64_t size = static_cast<std::int64_t>(FText.size());
        // A statement starts after the blanks that follow the one before.
        while (offset < size && FText[static_cast<std::size_t>(offset)] <= u' ') ++offset;
        for (std::int64_t i = 0; i < offset && i < size; ++i)
            if (FText[static_cast<std::size_t>(i)] == u'\n') ++line;
        return line;
    }

private:
    void Load() {
        FLoaded = true;
        std::ifstream in(FFileName, std::ios::binary);
        const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        if (bytes.size() >= 2 && bytes[0] == '\xFF' && bytes[1] == '\xFE') {
            FText.resize((bytes.size() - 2) / 2);
            for (std::size_t i = 0; i < FText.size(); ++i)
                FText[i] = static_cast<char16_t>(static_cast<unsigned char>(bytes[2 + 2 * i]) |
                                                 static_cast<unsigned char>(bytes[3 + 2 * i]) << 8);
        } else if (bytes.size() >= 3 && bytes.compare(0, 3, "\xEF\xBB\xBF") == 0) {
            FText = Utf8ToUtf16(std::string_view(bytes).substr(3));
        } else {
            FText = AnsiToUtf16(bytes);
        }
    }

    std::string FFileName;
    UString FText;
    bool FLoaded = false;
};

std::string ErrorText(const std::exception& e) {
    if (const auto* da = dynamic_cast<const EDAError*>(&e)) return "ERROR " + std::to_string(da->ErrorCode());
    return "ERROR";
}

/// The file name for one table.
std::string TableFileName(UStringView name) { return FileNamePart(name) + ".sql"; }

int Backup(const TCliOptions& o, TCustomMyConnection& conn) {
    TMyDump dump(&conn);
    dump.Objects = o.structure ? doTables | doViews : doTables | doData | doViews;
    TProgress progress(TProgress::ModeFor(o.quiet), stderr);
    dump.OnBackupProgress = [&](TMyDump& sender, const UString& object, int, int, int percent) {
        if (Interrupted()) sender.BreakBackup();
        progress.Report("backup", percent, Narrow(object));
    };
    try {
        if (o.perTableDir.empty()) {
            dump.SetTableNames(Utf8ToUtf16(o.tables));
            dump.BackupToFile(o.argument);
        } else {
            std::filesystem::create_directories(o.perTableDir);
            std::vector<UString> tables = o.tables.empty() ? dump.GetTableNames() : ParseNameList(Utf8ToUtf16(o.tables));
            if (!o.structure) dump.Objects = doTables | doData;
            for (const UString& table : tables) {
                dump.TableNameList() = {table};
                dump.BackupToFile((std::filesystem::path(o.perTableDir) / TableFileName(table)).string());
                if (Interrupted()) throw EAbort();
            }
        }
    } catch (const EAbort&) {
        progress.Finish();
        std::fputs("ERROR: backup interrupted; the previous file is kept\n", stderr);
        return 1;
    }
    return 0;
}

int Restore(const TCliOptions& o, TCustomMyConnection& conn) {
    if (!std::filesystem::is_regular_file(o.argument)) throw std::runtime_error("cannot read " + o.argument);
    TMyDump dump(&conn);
    TProgress progress(TProgress::ModeFor(o.quiet), stderr);
    TScriptLines lines(o.argument);
    int failures = 0;
    std::string failure;
    dump.OnRestoreProgress = [&](TDADump& sender, int percent) {
        if (Interrupted()) sender.BreakRestore();
        progress.Report("restore", percent);
    };
    dump.OnError = [&](TDAScript& sender, const std::exception& e, const UString&, TErrorAction& action) {
        ++failures;
        failure = ErrorText(e) + " at line " + std::to_string(lines.LineOf(sender.ErrorOffset())) + ": " + e.what();
        if (o.force) {
            progress.Finish();
            std::fprintf(stderr, "%s\n", failure.c_str());
            action = eaContinue;
        } else {
            action = eaFail;
        }
    };
    try {
        dump.RestoreFromFile(o.argument);
    } catch (const std::exception&) {
        if (failure.empty()) throw;
        progress.Finish();
        std::fprintf(stderr, "%s\n", failure.c_str());
        return 1;
    }
    progress.Finish();
    if (dump.RestoreStopped() && Interrupted()) {
        std::fputs("ERROR: restore interrupted after the running statement\n", stderr);
        return 1;
    }
    if (failures > 0) {
        std::fprintf(stderr, "ERROR: %d statement%s failed\n", failures, failures == 1 ? "" : "s");
        return 1;
    }
    return 0;
}

int RunAccess(const TCliOptions& o) {
    const TStdoutAside aside;
    FDConn conn;
    conn.Params.Add(u"Database=" + Utf8ToUtf16(o.accessFile));
    conn.Open();
    if (o.command == "query") {
        FDQuery query;
        query.Connection = &conn;
        query.SQL.SetText(Utf8ToUtf16(o.argument));
        query.Open();
        WriteRows(query, o.csv ? TRowFormat::Csv : TRowFormat::Tsv, aside.Out());
        return 0;
    }
    FDCommand command;
    command.Connection = &conn;
    command.CommandText.SetText(Utf8ToUtf16(o.argument));
    command.Execute();
    std::fprintf(aside.Out(), "%lld\n", static_cast<long long>(command.RowsAffected()));
    return 0;
}

}  // namespace

bool Interrupted() { return gInterrupted != 0; }

void InstallInterruptHandler() {
    struct sigaction action {};
    action.sa_handler = OnInterrupt;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;  // reads and writes go on; the run stops between steps
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

std::string ReadPassword() {
    if (const char* env = std::getenv("BREVANT_PASSWORD")) return env;
    const int tty = ::open("/dev/tty", O_RDWR | O_CLOEXEC);
    if (tty < 0) return {};
    termios old{};
    if (tcgetattr(tty, &old) != 0) {
        ::close(tty);
        return {};
    }
    termios silent = old;
    silent.c_lflag &= ~static_cast<tcflag_t>(ECHO);
    const char prompt[] = "Password: ";
    (void)!::write(tty, prompt, sizeof prompt - 1);
    tcsetattr(tty, TCSAFLUSH, &silent);
    std::string password;
    for (char c; ::read(tty, &c, 1) == 1 && c != '\n' && c != '\r';) password += c;
    tcsetattr(tty, TCSAFLUSH, &old);
    (void)!::write(tty, "\n", 1);
    ::close(tty);
    return password;
}

int RunCommand(const TCliOptions& o) {
    if (o.kind == TKind::Access) return RunAccess(o);
    std::unique_ptr<TCustomMyConnection> conn = OpenMy(o);
    if (o.command == "query") {
        TMyQuery query(conn.get());
        query.SetParamCheck(false);
        // Streamed: one block of rows at a time, whatever the result's size; numbers
        // and dates as the server wrote them.
        query.SetUniDirectional(true);
        query.SetFetchAll(false);
        query.SetFetchRows(kFetchRows);
        query.SetReadOnly(true);
        query.Options().SetNumberFieldsAsString(true);
        query.Options().SetBinaryAsString(false);  // binary bytes as they are, NUL and all
        query.SetSQLText(Utf8ToUtf16(o.argument));
        query.Open();
        WriteRows(query, o.csv ? TRowFormat::Csv : TRowFormat::Tsv);
        return 0;
    }
    if (o.command == "exec") {
        TMyCommand command(conn.get());
        command.SetParamCheck(false);
        command.SetSQLText(Utf8ToUtf16(o.argument));
        command.Execute();
        std::printf("%lld\n", static_cast<long long>(command.RowsAffected()));
        return 0;
    }
    if (o.command == "backup") return Backup(o, *conn);
    return Restore(o, *conn);
}

}  // namespace brevant::cli
