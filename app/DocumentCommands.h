#pragma once
// The three document buttons as commands. Documents move between the large-object
// column selected in the grid and files in the folder "temp" under the directory the
// program started in: "documento.pdf" for the current record, "doc" N ".pdf" per row,
// N being the row's second field as a 64-bit integer.
//
// None of them is guarded: the first failure escapes to the caller (the window's
// default error report) and ends the command at that row; rows done before it stay
// done. An empty or closed query makes every command do nothing. The selected column
// is checked to be a large object before any document file is opened, so a wrong
// column never empties a file written earlier.

#include <QString>
#include <cstdint>

namespace brevant {

class TDataSet;
class TBlobField;

/// Opens a saved document with the desktop's application for it.
class IDocumentOpener {
public:
    virtual ~IDocumentOpener() = default;
    /// Starts the opening and returns at once; the outcome is not looked at.
    virtual void Open(const QString& file) = 0;
};

/// The desktop's opener for the file's type.
class TDesktopOpener : public IDocumentOpener {
public:
    void Open(const QString& file) override;
};

/// What a document button does.
enum class TDocumentAction { None, OpenCurrent, ExportAll, ImportAll };

/// The document buttons, numbered as the window's speed buttons.
enum class TDocumentButton { Open = 9, Export = 10, Import = 11 };

/// The action of a button on a connection kind: every button opens the current
/// document on kinds 0 and 1, except import on kind 0; on kind 2 the first opens,
/// the second exports every row, the third does nothing; no kind: nothing.
TDocumentAction DocumentAction(TDocumentButton button, int kind);

/// startPath + "/temp".
QString DocumentFolder(const QString& startPath);
/// startPath + "/temp/documento.pdf".
QString CurrentDocumentFile(const QString& startPath);
/// startPath + "/temp/doc" + number + ".pdf".
QString NumberedDocumentFile(const QString& startPath, std::int64_t number);

/// The document column `column` of the query: "List index out of bounds (%d)"
/// outside the fields, "Field '%s' is not a BLOB field" for any other kind.
TBlobField& DocumentField(TDataSet& query, int column);
/// The row's document number: its second field as a 64-bit integer; a NULL or a
/// text that is no number fails.
std::int64_t DocumentNumber(TDataSet& query);
/// Saves the document column of the current record into `file` (created or
/// replaced; an empty file for NULL). The Access query writes its own bytes.
void SaveDocument(TDataSet& query, int column, const QString& file);

/// Saves the current record's document to "documento.pdf" and opens it.
class TOpenDocumentCommand {
public:
    TOpenDocumentCommand(TDataSet& query, IDocumentOpener& opener, QString startPath)
        : query_(query), opener_(opener), path_(std::move(startPath)) {}
    void Run(int column);

private:
    TDataSet& query_;
    IDocumentOpener& opener_;
    QString path_;
};

/// Saves every row's document to its numbered file; opens none.
class TExportDocumentsCommand {
public:
    TExportDocumentsCommand(TDataSet& query, QString startPath) : query_(query), path_(std::move(startPath)) {}
    void Run(int column);

private:
    TDataSet& query_;
    QString path_;
};

/// Loads each row's numbered file, where one exists, into the row's document column
/// and posts the row (the server's row changes). Rows without a file stay as they
/// are. A row whose post fails is cancelled, so that no half-done edit remains.
class TImportDocumentsCommand {
public:
    TImportDocumentsCommand(TDataSet& query, QString startPath) : query_(query), path_(std::move(startPath)) {}
    void Run(int column);

private:
    TDataSet& query_;
    QString path_;
};

/// A document button pressed: the kind's query (the MySQL one for kinds 0 and 1,
/// the Access one for kind 2) and the action of the button on that kind.
class TDocumentButtons {
public:
    TDocumentButtons(TDataSet& myQuery, TDataSet& accessQuery, IDocumentOpener& opener, QString startPath)
        : myQuery_(myQuery), accessQuery_(accessQuery), opener_(opener), path_(std::move(startPath)) {}
    void Run(TDocumentButton button, int kind, int column);

private:
    TDataSet& myQuery_;
    TDataSet& accessQuery_;
    IDocumentOpener& opener_;
    QString path_;
};

}  // namespace brevant
