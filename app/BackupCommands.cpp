#include "app/BackupCommands.h"

#include <filesystem>

#include "app/ConnectionKind.h"
#include "app/OpenDialog.h"
#include "mysql/client/TCustomMyConnection.h"
#include "script/TMyDump.h"

namespace brevant {
namespace {

StatusText::TOutcome Ok() { return {QString::fromUtf16(StatusText::CommandOk), QString()}; }
StatusText::TOutcome Failed() { return {QString::fromUtf16(StatusText::CommandFailed), QString()}; }

}  // namespace

std::string FileNamePart(UStringView name) {
    const bool onlyDots = !name.empty() && name.find_first_not_of(u'.') == UStringView::npos;
    UString out;
    for (char16_t c : name) {
        if (onlyDots) out += u"%2E";
        else if (c == u'/') out += u"%2F";
        else if (c == u'\0') out += u"%00";
        else if (c == u'%') out += u"%25";
        else out += c;
    }
    return Utf16ToUtf8(out);
}

std::optional<StatusText::TOutcome> TBackupCommand::Run(int kind, TMyDumpObjects objects) {
    dump_.Objects = objects;
    if (kind != ckMySQL && kind != ckMySQLEmbedded) return std::nullopt;
    try {
        dump_.TableNameList().clear();
        dump_.SetConnection(&myConn_);
        dump_.BackupToFile(FileNamePart(myConn_.Database()) + ".sql");
    } catch (...) {
        // The layer's own message is not shown.
        return Failed();
    }
    return Ok();
}

std::optional<StatusText::TOutcome> TBackupTablesCommand::Run(int kind, const std::vector<UString>& tables) {
    dump_.Objects = doTables | doData;
    if (kind != ckMySQL && kind != ckMySQLEmbedded) return std::nullopt;
    const std::string folder = FileNamePart(myConn_.Database());
    std::error_code ignored;  // a folder that cannot be made fails each table instead
    std::filesystem::create_directory(folder, ignored);
    dump_.SetConnection(&myConn_);
    bool failed = false;
    for (const UString& table : tables) {
        try {
            // The listed name is one table, whatever characters it holds.
            dump_.TableNameList() = {table};
            dump_.BackupToFile(folder + "/" + FileNamePart(dump_.TableNames()) + ".sql");
        } catch (...) {
            failed = true;
        }
    }
    return failed ? Failed() : Ok();
}

std::optional<StatusText::TOutcome> TRestoreCommand::Run(int kind) {
    if (kind != ckMySQL && kind != ckMySQLEmbedded) return std::nullopt;
    dump_.SetConnection(&myConn_);
    const std::optional<QString> file = dialog_.Execute();
    if (!file) return Ok();
    int failures = 0;
    // Each failing statement is still shown by the error report (the action stays
    // eaException) and the rest of the script runs.
    dump_.OnError = [&failures](TDAScript&, const std::exception&, const UString&, TErrorAction&) { ++failures; };
    try {
        dump_.RestoreFromFile(file->toStdString());
    } catch (...) {
        dump_.OnError = nullptr;
        return Failed();
    }
    dump_.OnError = nullptr;
    return failures ? Failed() : Ok();
}

}  // namespace brevant
