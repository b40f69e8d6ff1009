#include "app/DocumentCommands.h"

#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QUrl>

#include "app/ConnectionKind.h"
#include "data/DBConsts.h"
#include "data/TDataSet.h"
#include "data/TField.h"
#include "mysql/client/DAErrors.h"
#include "paths/FDQuery.h"

namespace brevant {

namespace {
constexpr char16_t SListIndexError[] = u"List index out of bounds (%d)";
constexpr char16_t SCannotCreateFolder[] = u"Cannot create folder %s";

UString U(const QString& s) { return s.toStdU16String(); }
std::string LocalName(const QString& file) { return QFile::encodeName(file).toStdString(); }

/// The document folder, made (one level) when missing.
void MakeDocumentFolder(const QString& startPath) {
    const QString folder = DocumentFolder(startPath);
    if (QFileInfo(folder).isDir()) return;
    if (!QDir().mkdir(folder)) throw Exception(Format(SCannotCreateFolder, {U(folder)}));
}

/// The query holds a record: otherwise a command does nothing.
bool HasRecords(const TDataSet& query) { return query.Active() && query.RecordCount() > 0; }
}  // namespace

void TDesktopOpener::Open(const QString& file) { QDesktopServices::openUrl(QUrl::fromLocalFile(file)); }

TDocumentAction DocumentAction(TDocumentButton button, int kind) {
    switch (kind) {
        case ckMySQL:
            return button == TDocumentButton::Import ? TDocumentAction::ImportAll : TDocumentAction::OpenCurrent;
        case ckMySQLEmbedded: return TDocumentAction::OpenCurrent;
        case ckAccess:
            switch (button) {
                case TDocumentButton::Open: return TDocumentAction::OpenCurrent;
                case TDocumentButton::Export: return TDocumentAction::ExportAll;
                case TDocumentButton::Import: return TDocumentAction::None;
            }
            break;
        default: break;
    }
    return TDocumentAction::None;
}

QString DocumentFolder(const QString& startPath) { return startPath + QStringLiteral("/temp"); }

QString CurrentDocumentFile(const QString& startPath) { return DocumentFolder(startPath) + QStringLiteral("/documento.pdf"); }

QString NumberedDocumentFile(const QString& startPath, std::int64_t number) {
    return DocumentFolder(startPath) + QStringLiteral("/doc") + QString::number(number) + QStringLiteral(".pdf");
}

TBlobField& DocumentField(TDataSet& query, int column) {
    if (column < 0 || column >= query.FieldCount()) DatabaseErrorFmt(SListIndexError, {column});
    TField& field = query.Fields()[column];
    auto* blob = field.IsBlob() ? dynamic_cast<TBlobField*>(&field) : nullptr;
    if (!blob) DatabaseErrorFmt(SNotBlobField, {field.DisplayName()});
    return *blob;
}

std::int64_t DocumentNumber(TDataSet& query) {
    if (query.FieldCount() < 2) DatabaseErrorFmt(SListIndexError, {1});
    return query.Fields()[1].AsVariant().AsInt64();
}

void SaveDocument(TDataSet& query, int column, const QString& file) {
    TBlobField& field = DocumentField(query, column);  // before the file is touched
    if (auto* access = dynamic_cast<FDQuery*>(&query)) access->SaveFieldToFile(column, U(file));
    else field.SaveToFile(LocalName(file));
}

void TOpenDocumentCommand::Run(int column) {
    if (!HasRecords(query_)) return;
    MakeDocumentFolder(path_);
    const QString file = CurrentDocumentFile(path_);
    SaveDocument(query_, column, file);
    opener_.Open(file);
}

void TExportDocumentsCommand::Run(int column) {
    if (!HasRecords(query_)) return;
    MakeDocumentFolder(path_);
    for (query_.First(); !query_.Eof(); query_.Next())
        SaveDocument(query_, column, NumberedDocumentFile(path_, DocumentNumber(query_)));
}

void TImportDocumentsCommand::Run(int column) {
    if (!HasRecords(query_)) return;
    MakeDocumentFolder(path_);
    for (query_.First(); !query_.Eof(); query_.Next()) {
        const QString file = NumberedDocumentFile(path_, DocumentNumber(query_));
        if (!QFileInfo(file).isFile()) continue;
        TBlobField& field = DocumentField(query_, column);
        query_.Edit();
        try {
            field.LoadFromFile(LocalName(file));
            query_.Post();
        } catch (...) {
            try {
                query_.Cancel();
            } catch (...) {
                // The load's or the post's error is the one to report.
            }
            throw;
        }
    }
}

void TDocumentButtons::Run(TDocumentButton button, int kind, int column) {
    TDataSet& query = kind == ckAccess ? accessQuery_ : myQuery_;
    switch (DocumentAction(button, kind)) {
        case TDocumentAction::None: return;
        case TDocumentAction::OpenCurrent: TOpenDocumentCommand(query, opener_, path_).Run(column); return;
        case TDocumentAction::ExportAll: TExportDocumentsCommand(query, path_).Run(column); return;
        case TDocumentAction::ImportAll: TImportDocumentsCommand(query, path_).Run(column); return;
    }
}

}  // namespace brevant
