#include "script/TMyDump.h"

#include <cstdio>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

#include "core/ScopeExit.h"
#include "mysql/client/DAConsts.h"
#include "mysql/client/DAErrors.h"
#include "mysql/client/TMySQLConnection.h"

namespace brevant {

TParserEncoding TMyDump::OutputEncoding() {
    TMySQLConnection* session = Connection()->Session();
    if (session->UseUnicode()) return peUtf16;
    return LowerCaseAscii(session->Charset()) == u"utf8" ? peUtf8 : peAnsi;
}

void TMyDump::RunBackup(TDumpWriter* writer, std::ostream* stream, const UString& query) {
    if (!FConnection) DatabaseError(SConnectionNotDefined);
    if (!query.empty() && FTableNames.size() > 1) DatabaseError(SBackupQueryOneTable);
    FConnection->InternalConnect();
    const ScopeExit disconnect([&] {
        try {
            FConnection->InternalDisconnect();
        } catch (...) {
        }
    });
    std::unique_ptr<TDumpWriter> own;
    if (!writer) {
        own = std::make_unique<TDumpWriter>(*stream, OutputEncoding());
        writer = own.get();
    }
    TMyDumpProcessor processor(*Connection(), *writer, FOptions, Objects);
    processor.TableNames = FTableNames;
    processor.StoredProcNames = FStoredProcNames;
    processor.TriggerNames = FTriggerNames;
    FBreakBackup = false;
    processor.Cancelled = [this] { return FBreakBackup; };
    if (OnBackupProgress)
        processor.OnProgress = [this](const UString& name, int num, int count, int percent) {
            OnBackupProgress(*this, name, num, count, percent);
        };
    processor.Backup(query);
}

std::vector<UString> TMyDump::GetTableNames() {
    if (!FConnection) DatabaseError(SConnectionNotDefined);
    FConnection->InternalConnect();
    const ScopeExit disconnect([&] {
        try {
            FConnection->InternalDisconnect();
        } catch (...) {
        }
    });
    return ListTableNames(*Connection());
}

void TMyDump::BackupToStream(std::ostream& stream, const UString& query) { RunBackup(nullptr, &stream, query); }

void TMyDump::Backup(const UString& query) {
    FSQL.Clear();
    if (!FConnection) DatabaseError(SConnectionNotDefined);
    FConnection->InternalConnect();
    const ScopeExit disconnect([&] {
        try {
            FConnection->InternalDisconnect();
        } catch (...) {
        }
    });
    TDumpWriter writer(FSQL, Connection()->Session()->IsUtf8());
    RunBackup(&writer, nullptr, query);
}

void TMyDump::BackupQuery(const UString& query) {
    if (TrimView(query).empty()) DatabaseError(SNoSQLStatement);
    std::vector<UString> names;
    names.swap(FTableNames);
    const ScopeExit restore([&] { FTableNames.swap(names); });
    Backup(query);
}

void TMyDump::BackupToFile(const std::string& fileName, const UString& query) {
    std::string temp = fileName + ".XXXXXX";
    const int fd = mkstemp(temp.data());
    if (fd < 0) throw Exception("Cannot create file \"" + fileName + "\"");
    // The new file gets the permissions a newly created one would have.
    const mode_t mask = umask(0);
    umask(mask);
    fchmod(fd, 0666 & ~mask);
    close(fd);
    bool done = false;
    const ScopeExit cleanup([&] {
        if (!done) std::remove(temp.c_str());
    });
    {
        std::ofstream file(temp, std::ios::binary | std::ios::trunc);
        if (!file) throw Exception("Cannot create file \"" + fileName + "\"");
        BackupToStream(file, query);
        file.close();
        if (!file) throw Exception("Cannot write file \"" + fileName + "\"");
    }
    if (std::rename(temp.c_str(), fileName.c_str()) != 0) throw Exception("Cannot write file \"" + fileName + "\"");
    done = true;
}

}  // namespace brevant
