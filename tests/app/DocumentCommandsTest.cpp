// The document commands over a dataset held in memory: which button does what on
// which kind, the file names, saving and opening, the per-row export, and the
// failures that stop a run.
#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>

#include "AppTestUtil.h"
#include "app/DocumentCommands.h"
#include "data/VectorDataSet.h"

namespace brevant {
namespace {

using test::VectorDataSet;

class RecordingOpener : public IDocumentOpener {
public:
    QStringList opened;
    void Open(const QString& file) override { opened << file; }
};

/// Rows (document BLOB, number, name).
VectorDataSet Documents() { return VectorDataSet({{u"pdf", ftBlob}, {u"num", ftInteger}, {u"name", ftWideString, 10}}); }

std::string Read(const QString& file) { return test::ReadBytes(file.toStdString()); }

TEST(DocumentCommands, WhatEachButtonDoesOnEachKind) {
    using A = TDocumentAction;
    using B = TDocumentButton;
    struct Case {
        int kind;
        A open, exportAll, import;
    };
    const Case cases[] = {
        {0, A::OpenCurrent, A::OpenCurrent, A::ImportAll},
        {1, A::OpenCurrent, A::OpenCurrent, A::OpenCurrent},
        {2, A::OpenCurrent, A::ExportAll, A::None},
        {-1, A::None, A::None, A::None},
        {3, A::None, A::None, A::None},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.kind);
        EXPECT_EQ(DocumentAction(B::Open, c.kind), c.open);
        EXPECT_EQ(DocumentAction(B::Export, c.kind), c.exportAll);
        EXPECT_EQ(DocumentAction(B::Import, c.kind), c.import);
    }
    EXPECT_EQ(CurrentDocumentFile(QStringLiteral("/w")), QStringLiteral("/w/temp/documento.pdf"));
    EXPECT_EQ(NumberedDocumentFile(QStringLiteral("/w"), 7), QStringLiteral("/w/temp/doc7.pdf"));
    EXPECT_EQ(NumberedDocumentFile(QStringLiteral("/w"), -12), QStringLiteral("/w/temp/doc-12.pdf"));
    EXPECT_EQ(NumberedDocumentFile(QStringLiteral("/w"), 9007199254740993), QStringLiteral("/w/temp/doc9007199254740993.pdf"));
}

TEST(DocumentCommands, OpenSavesTheCurrentDocumentAndOpensIt) {
    test::WorkingDir dir;
    VectorDataSet ds = Documents();
    ds.AddRow({"first", "1", "a"});
    ds.AddRow({"second", "2", "b"});
    ds.Open();
    ds.Next();
    RecordingOpener opener;
    TOpenDocumentCommand(ds, opener, dir.Path()).Run(0);
    const QString file = dir.Path() + QStringLiteral("/temp/documento.pdf");
    EXPECT_EQ(opener.opened, QStringList{file});
    EXPECT_EQ(Read(file), "second");
    EXPECT_EQ(ds.RecNo(), 2);

    // A column that is no large object fails before the file is opened: the earlier
    // document stays whole, and nothing is opened.
    EXPECT_EQ(test::ErrorOf([&] { TOpenDocumentCommand(ds, opener, dir.Path()).Run(2); }),
              "Field 'name' is not a BLOB field");
    EXPECT_EQ(test::ErrorOf([&] { TOpenDocumentCommand(ds, opener, dir.Path()).Run(5); }),
              "List index out of bounds (5)");
    EXPECT_EQ(Read(file), "second");
    EXPECT_EQ(opener.opened.size(), 1);
}

TEST(DocumentCommands, ExportWritesOneFilePerRow) {
    test::WorkingDir dir;
    VectorDataSet ds = Documents();
    ds.AddRow({"siete", "7", "a"});
    ds.AddRow({"", "9", "b"});  // a NULL document gives an empty file
    ds.AddRow({"menos", "-3", "c"});
    ds.Open();
    TExportDocumentsCommand(ds, dir.Path()).Run(0);
    EXPECT_EQ(Read(dir.Path() + QStringLiteral("/temp/doc7.pdf")), "siete");
    EXPECT_TRUE(QFileInfo::exists(dir.Path() + QStringLiteral("/temp/doc9.pdf")));
    EXPECT_EQ(Read(dir.Path() + QStringLiteral("/temp/doc9.pdf")), "");
    EXPECT_EQ(Read(dir.Path() + QStringLiteral("/temp/doc-3.pdf")), "menos");
    EXPECT_TRUE(ds.Eof());
    EXPECT_EQ(ds.RecNo(), 3);

    // Again, over the earlier files.
    ds.Rows[0]->Cells[0].Blob.Data = "otra vez";
    TExportDocumentsCommand(ds, dir.Path()).Run(0);
    EXPECT_EQ(Read(dir.Path() + QStringLiteral("/temp/doc7.pdf")), "otra vez");

    // A wrong column leaves every earlier file as it was.
    EXPECT_EQ(test::ErrorOf([&] { TExportDocumentsCommand(ds, dir.Path()).Run(1); }), "Field 'num' is not a BLOB field");
    EXPECT_EQ(Read(dir.Path() + QStringLiteral("/temp/doc7.pdf")), "otra vez");
}

TEST(DocumentCommands, ARowWithoutANumberStopsTheRun) {
    test::WorkingDir dir;
    VectorDataSet ds = Documents();
    ds.AddRow({"uno", "1", "a"});
    ds.AddRow({"sin", "", "b"});
    ds.AddRow({"tres", "3", "c"});
    ds.Open();
    EXPECT_NE(test::ErrorOf([&] { TExportDocumentsCommand(ds, dir.Path()).Run(0); }), "(no error)");
    EXPECT_TRUE(QFileInfo::exists(dir.Path() + QStringLiteral("/temp/doc1.pdf")));  // done before it stays
    EXPECT_FALSE(QFileInfo::exists(dir.Path() + QStringLiteral("/temp/doc3.pdf")));
    EXPECT_EQ(ds.RecNo(), 2);
}

TEST(DocumentCommands, AnEmptyOrClosedQueryDoesNothing) {
    test::WorkingDir dir;
    RecordingOpener opener;
    VectorDataSet closed = Documents(), empty = Documents();
    empty.Open();
    for (TDataSet* ds : {static_cast<TDataSet*>(&closed), static_cast<TDataSet*>(&empty)}) {
        for (TDocumentButton button : {TDocumentButton::Open, TDocumentButton::Export, TDocumentButton::Import}) {
            for (int kind : {0, 1, 2}) {
                TDocumentButtons(*ds, *ds, opener, dir.Path()).Run(button, kind, 0);
            }
        }
    }
    EXPECT_TRUE(opener.opened.isEmpty());
    EXPECT_FALSE(QFileInfo::exists(dir.Path() + QStringLiteral("/temp")));
}

TEST(DocumentCommands, AFolderInTheWayFails) {
    test::WorkingDir dir;
    test::WriteBytes(dir.File("temp"), "a file, not a folder");
    VectorDataSet ds = Documents();
    ds.AddRow({"uno", "1", "a"});
    ds.Open();
    RecordingOpener opener;
    EXPECT_EQ(test::ErrorOf([&] { TOpenDocumentCommand(ds, opener, dir.Path()).Run(0); }),
              "Cannot create folder " + (dir.Path() + QStringLiteral("/temp")).toStdString());
    EXPECT_TRUE(opener.opened.isEmpty());
}

}  // namespace
}  // namespace brevant
