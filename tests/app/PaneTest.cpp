// The panes' load and clear buttons through the window's handlers, and the text a
// pane hands to the data layer.
#include <gtest/gtest.h>

#include <QPlainTextEdit>
#include <QTextCursor>

#include "AppTestUtil.h"
#include "app/PaneCommands.h"
#include "app/TextFile.h"

namespace brevant {
namespace {

using test::AnswerDialogs;
using test::CapturedReports;
using test::CreateMain;
using test::WorkingDir;
using test::WriteBytes;

/// Text as UTF-16 bytes in either byte order.
std::string Utf16Bytes(std::u16string_view text, bool bigEndian) {
    std::string bytes;
    for (char16_t c : text) {
        const char hi = static_cast<char>(c >> 8), lo = static_cast<char>(c & 0xFF);
        bytes += bigEndian ? hi : lo;
        bytes += bigEndian ? lo : hi;
    }
    return bytes;
}

const char16_t kLoaded[] = u"SELECT 'año', '€'\nFROM dual";

TEST(Pane, FilesInEveryEncodingLoadAsTheSameText) {
    struct Case {
        const char* name;
        std::string bytes;
        const char16_t* text;
    };
    const Case cases[] = {
        {"UTF-16LE with a mark", Utf16Bytes(u"\uFEFFSELECT 'año', '€'\r\nFROM dual", false), kLoaded},
        {"UTF-16BE with a mark", Utf16Bytes(u"\uFEFFSELECT 'año', '€'\r\nFROM dual", true), kLoaded},
        {"UTF-8 with a mark", "\xEF\xBB\xBFSELECT 'a\xC3\xB1o', '\xE2\x82\xAC'\r\nFROM dual", kLoaded},
        {"code page 1252", "SELECT 'a\xF1o', '\x80'\r\nFROM dual", kLoaded},
        {"LF and a last line end", "SELECT 'a\xF1o', '\x80'\nFROM dual\n", kLoaded},
        {"UTF-8 without a mark is read in the code page", "'a\xC3\xB1o'\r\n", u"'aÃ±o'"},
        {"an odd last byte of UTF-16 is dropped", std::string("\xFF\xFEx\0y", 5), u"x"},
        {"an empty file", "", u""},
    };
    WorkingDir dir;
    auto main = CreateMain();
    test::AnsweringDialog& dialog = AnswerDialogs(*main);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WriteBytes(dir.File("pane.sql"), c.bytes);
        dialog.answer = QString::fromStdString(dir.File("pane.sql"));
        main->Memo1->setPlainText(QStringLiteral("before"));
        main->SpeedButton3->click();
        EXPECT_EQ(main->Memo1->toPlainText(), QString::fromUtf16(c.text));
        main->Memo2->setPlainText(QStringLiteral("before"));
        main->SpeedButton4->click();
        EXPECT_EQ(main->Memo2->toPlainText(), QString::fromUtf16(c.text));
    }
    EXPECT_EQ(dialog.shown, 2 * static_cast<int>(std::size(cases)));
}

TEST(Pane, CancellingOrAFileThatCannotBeReadKeepsThePane) {
    WorkingDir dir;
    CapturedReports reports;
    auto main = CreateMain();
    test::AnsweringDialog& dialog = AnswerDialogs(*main);
    main->StatusBar1->SetPanelText(0, QStringLiteral("status"));
    main->Memo1->setPlainText(QStringLiteral("kept"));

    dialog.answer.reset();
    main->SpeedButton3->click();
    EXPECT_EQ(main->Memo1->toPlainText(), QStringLiteral("kept"));
    EXPECT_TRUE(reports.Texts().isEmpty());

    const QString missing = dir.Path() + QStringLiteral("/missing.sql");
    for (const QString& file : {missing, dir.Path()}) {
        SCOPED_TRACE(file.toStdString());
        dialog.answer = file;
        main->SpeedButton3->click();
        EXPECT_EQ(main->Memo1->toPlainText(), QStringLiteral("kept"));
    }
    ASSERT_EQ(reports.Texts().size(), 2);
    EXPECT_TRUE(reports.Texts()[0].startsWith(QStringLiteral("Cannot open file \"") + missing + QStringLiteral("\". ")))
        << reports.Texts()[0].toStdString();
    EXPECT_TRUE(reports.Texts()[1].startsWith(QStringLiteral("Cannot open file \"") + dir.Path()))
        << reports.Texts()[1].toStdString();
    EXPECT_EQ(main->StatusBar1->PanelText(0), QStringLiteral("status"));
}

TEST(Pane, ClearEmptiesOnlyItsPane) {
    WorkingDir dir;
    auto main = CreateMain();
    main->StatusBar1->SetPanelText(1, QStringLiteral("Registros: 1/1."));
    main->Memo1->setPlainText(QStringLiteral("SELECT 1"));
    main->Memo2->setPlainText(QStringLiteral("DELETE FROM t"));
    main->SpeedButton5->click();
    EXPECT_TRUE(main->Memo1->toPlainText().isEmpty());
    EXPECT_EQ(main->Memo2->toPlainText(), QStringLiteral("DELETE FROM t"));
    main->Memo1->setPlainText(QStringLiteral("SELECT 1"));
    main->SpeedButton6->click();
    EXPECT_EQ(main->Memo1->toPlainText(), QStringLiteral("SELECT 1"));
    EXPECT_TRUE(main->Memo2->toPlainText().isEmpty());
    EXPECT_EQ(main->StatusBar1->PanelText(1), QStringLiteral("Registros: 1/1."));
}

TEST(Pane, HandsItsTextWithCrLfLineEndsAsTyped) {
    QPlainTextEdit pane;
    struct Case {
        const char16_t* typed;
        const char16_t* handed;
    };
    const Case cases[] = {
        {u"SELECT 1", u"SELECT 1"},
        {u"SELECT *\nFROM t\n", u"SELECT *\r\nFROM t\r\n"},
        {u"  a\u00A0b  \n\n", u"  a\u00A0b  \r\n\r\n"},  // no trimming, no-break space kept
        {u"", u""},
    };
    for (const Case& c : cases) {
        pane.setPlainText(QString::fromUtf16(c.typed));
        EXPECT_EQ(PaneText(pane), UString(c.handed)) << QString::fromUtf16(c.typed).toStdString();
    }
    // A soft line break (Shift+Enter) ends a line too.
    pane.setPlainText(QStringLiteral("a"));
    QTextCursor cursor = pane.textCursor();
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(QString(QChar::LineSeparator) + QStringLiteral("b"));
    EXPECT_EQ(PaneText(pane), UString(u"a\r\nb"));
}

}  // namespace
}  // namespace brevant
