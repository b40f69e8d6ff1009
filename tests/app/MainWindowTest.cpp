// The main window and its viewers, driven offscreen through their real handlers.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCloseEvent>
#include <QAbstractItemView>
#include <QFontInfo>
#include <QStyle>
#include <memory>
#include <optional>

#include "AppTestUtil.h"
#include "app/uImagen.h"
#include "app/uMain.h"
#include "app/uMemo.h"

namespace brevant {
namespace {

using test::CapturedReports;
using test::ReadBytes;
using test::WorkingDir;
using test::WriteBytes;

using test::CreateMain;

/// Asks the window to close as the window system does; true when it closed.
bool Close(TMain& main) {
    main.show();
    main.close();
    return !main.isVisible();
}

TEST(MainWindow, ShapeAtStart) {
    WorkingDir dir;
    auto main = CreateMain();
    EXPECT_EQ(main->windowTitle(), QStringLiteral("Brevant 1.1.7 by Fennick"));
    EXPECT_EQ(main->size(), QSize(924, 506));
    // Outer minimum 940 x 370, the frame taken off.
    EXPECT_EQ(main->minimumSize() + main->FrameExtents(), QSize(940, 370));
    EXPECT_EQ(QFontInfo(main->font()).pixelSize(), 15);

    struct Place {
        QWidget* control;
        QRect rect;
    };
    const Place places[] = {
        {main->cbConnection, {16, 27, 105, 26}}, {main->edServer, {127, 27, 172, 26}},
        {main->edDatabase, {501, 27, 156, 26}},  {main->edPort, {663, 27, 50, 26}},
        {main->edUser, {718, 27, 67, 26}},       {main->edPass, {791, 27, 82, 26}},
        {main->DBGrid1, {8, 216, 865, 272}},     {main->Memo1, {16, 81, 436, 94}},
        {main->Memo2, {501, 81, 372, 94}},       {main->edDataDir, {305, 27, 190, 26}},
        {main->Button1, {532, 181, 108, 29}},    {main->Button2, {760, 181, 113, 29}},
        {main->Button3, {392, 181, 134, 29}},    {main->Button4, {646, 181, 108, 29}},
        {main->sbutConnect, {879, 26, 23, 22}},  {main->SpeedButton1, {458, 81, 23, 22}},
        {main->SpeedButton3, {458, 109, 23, 22}}, {main->SpeedButton5, {458, 137, 23, 22}},
        {main->SpeedButton2, {879, 81, 23, 22}},  {main->SpeedButton4, {879, 109, 23, 22}},
        {main->SpeedButton6, {879, 137, 23, 22}}, {main->SpeedButton7, {879, 215, 23, 22}},
        {main->SpeedButton8, {879, 243, 23, 22}}, {main->SpeedButton9, {879, 271, 23, 22}},
        {main->SpeedButton10, {879, 319, 23, 22}}, {main->SpeedButton11, {879, 359, 23, 22}},
        {main->StatusBar1, {0, 487, 924, 19}},
    };
    for (const Place& p : places) {
        SCOPED_TRACE(p.control->objectName().toStdString());
        EXPECT_EQ(p.control->geometry(), p.rect);
    }

    struct Label {
        QLabel* label;
        const char16_t* text;
        QPoint at;
    };
    const Label labels[] = {
        {main->Label1, u"Conexión", {16, 8}},       {main->Label2, u"Servidor", {127, 8}},
        {main->Label3, u"Directorio de Datos", {305, 8}}, {main->Label4, u"Base de Datos", {501, 8}},
        {main->Label5, u"Puerto", {663, 8}},        {main->Label6, u"Usuario", {718, 8}},
        {main->Label7, u"Contraseña", {791, 8}},    {main->Label8, u"Sentencia SQL", {16, 62}},
        {main->Label9, u"Comando SQL", {501, 62}},  {main->Label10, u"Resultado", {8, 192}},
    };
    for (const Label& l : labels) {
        SCOPED_TRACE(QString::fromUtf16(l.text).toStdString());
        EXPECT_EQ(l.label->text(), QString::fromUtf16(l.text));
        EXPECT_EQ(l.label->pos(), l.at);
        EXPECT_EQ(l.label->height(), 18);
    }

    EXPECT_EQ(main->Button1->text(), QStringLiteral("Backup"));
    EXPECT_EQ(main->Button2->text(), QStringLiteral("Restaura"));
    EXPECT_EQ(main->Button3->text(), QStringLiteral("Backup Estructura"));
    EXPECT_EQ(main->Button4->text(), QStringLiteral("Backup Tablas"));
    ASSERT_EQ(main->cbConnection->count(), 3);
    EXPECT_EQ(main->cbConnection->itemText(0), QStringLiteral("MySQL"));
    EXPECT_EQ(main->cbConnection->itemText(1), QStringLiteral("MySQL Embebido"));
    EXPECT_EQ(main->cbConnection->itemText(2), QStringLiteral("Access"));
    EXPECT_EQ(main->edPass->echoMode(), QLineEdit::Password);
    EXPECT_EQ(main->edPass->style()->styleHint(QStyle::SH_LineEdit_PasswordCharacter, nullptr, main->edPass), '*');
    EXPECT_EQ(main->cbConnection->view()->sizeHintForRow(0), 20);
    EXPECT_TRUE(main->Memo1->toPlainText().isEmpty());
    EXPECT_TRUE(main->Memo2->toPlainText().isEmpty());
    EXPECT_EQ(main->DBGrid1->model()->rowCount(), 0);  // DataSource1 points at no dataset yet
    EXPECT_EQ(main->DBGrid1->model()->columnCount(), 0);

    for (QToolButton* b : main->findChildren<QToolButton*>()) {
        SCOPED_TRACE(b->objectName().toStdString());
        EXPECT_EQ(b->focusPolicy(), Qt::NoFocus);
        EXPECT_EQ(b->iconSize(), QSize(16, 16));
        EXPECT_FALSE(b->icon().isNull());
        EXPECT_TRUE(b->text().isEmpty());
    }

    // Tab positions 0..5 and 7..14 in order.
    QWidget* const chain[] = {main->cbConnection, main->edServer, main->edDatabase, main->edPort,
                              main->edUser,       main->edPass,   main->DBGrid1,    main->Memo1,
                              main->Memo2,        main->edDataDir, main->Button1,   main->Button2,
                              main->Button3,      main->Button4};
    for (std::size_t i = 1; i < std::size(chain); ++i) {
        SCOPED_TRACE(chain[i]->objectName().toStdString());
        QWidget* next = chain[i - 1]->nextInFocusChain();
        while (next && next->focusPolicy() == Qt::NoFocus) next = next->nextInFocusChain();
        // A view's own scroll bars and viewport are no stops of the chain.
        while (next && next != chain[i] && chain[i - 1]->isAncestorOf(next)) next = next->nextInFocusChain();
        while (next && next->focusPolicy() == Qt::NoFocus) next = next->nextInFocusChain();
        EXPECT_EQ(next, chain[i]);
    }

    // The stored panel widths hold until the first sizing, which the showing is.
    EXPECT_EQ(main->StatusBar1->PanelWidth(0), 200);
    EXPECT_EQ(main->StatusBar1->PanelWidth(1), 200);
    EXPECT_EQ(main->StatusBar1->PanelWidth(2), 50);
    main->show();
    for (int i = 0; i < 3; ++i) EXPECT_EQ(main->StatusBar1->PanelWidth(i), 300);

    // Viewers: hidden, with their captions, sizes and controls.
    TfrmMemo* memo = main->frmMemo();
    TfrmImagen* imagen = main->frmImagen();
    EXPECT_FALSE(memo->isVisible());
    EXPECT_FALSE(imagen->isVisible());
    EXPECT_EQ(memo->windowTitle(), QStringLiteral("Visualizador de Memos"));
    EXPECT_EQ(memo->size(), QSize(271, 114));
    EXPECT_EQ(memo->dbMemo->geometry(), QRect(8, 8, 255, 98));
    EXPECT_EQ(memo->dbMemo->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    EXPECT_EQ(QFontInfo(memo->font()).pixelSize(), 11);
    EXPECT_EQ(imagen->windowTitle(), QStringLiteral("Visualizador de Imágenes"));
    EXPECT_EQ(imagen->size(), QSize(269, 257));
    EXPECT_EQ(imagen->DBImage1->geometry(), QRect(8, 8, 253, 241));
    EXPECT_EQ(QFontInfo(imagen->font()).pixelSize(), 11);
}

TEST(MainWindow, ResizingMovesAnchoredControlsAndPanels) {
    WorkingDir dir;
    auto main = CreateMain();
    main->show();
    main->resize(1084 - main->FrameExtents().width(), 606);
    const int dw = main->width() - 924;
    EXPECT_EQ(main->DBGrid1->geometry(), QRect(8, 216, 865 + dw, 372));
    EXPECT_EQ(main->Memo2->geometry(), QRect(501, 81, 372 + dw, 94));
    EXPECT_EQ(main->SpeedButton7->pos(), QPoint(879 + dw, 215));
    EXPECT_EQ(main->sbutConnect->pos(), QPoint(879, 26));
    EXPECT_EQ(main->Memo1->geometry(), QRect(16, 81, 436, 94));
    EXPECT_EQ(main->StatusBar1->geometry(), QRect(0, 606 - 19, main->width(), 19));
    for (int i = 0; i < 3; ++i) EXPECT_EQ(main->StatusBar1->PanelWidth(i), (1084 - 40) / 3);
    // The window keeps its smallest outer size.
    main->resize(100, 100);
    EXPECT_EQ(main->size() + main->FrameExtents(), QSize(940, 370));
    for (int i = 0; i < 3; ++i) EXPECT_EQ(main->StatusBar1->PanelWidth(i), 300);
}

struct StartCase {
    const char* name;
    std::optional<std::string> ini;
    int index;
    const char* selected;
    const char* server;
    const char* database;
    const char* datadir;
    const char* user;
    const char* port;
    bool serverEnabled, dataDirEnabled;
};

TEST(MainWindow, StartsFromTheSettingsFile) {
    const StartCase cases[] = {
        {"first run without a file", std::nullopt, 0, "MySQL", "localhost", "", "datos", "root", "3306", true, false},
        {"Access", "[setup]\ndriverid=2\nserver=s\ndatabase=d.mdb\n", 2, "Access", "s", "d.mdb", "datos", "root",
         "3306", false, false},
        {"embedded", "[setup]\ndriverid=1\nserver=/usr\ndatadir=datos2\nuser=u\nport=3307\n", 1, "MySQL Embebido",
         "/usr", "", "datos2", "u", "3307", true, true},
        {"no kind leaves the boxes as designed", "[setup]\ndriverid=7\n", -1, "", "localhost", "", "datos", "root",
         "3306", true, true},
        {"a driverid that is not a number selects MySQL", "[setup]\ndriverid=abc\n", 0, "MySQL", "localhost", "",
         "datos", "root", "3306", true, false},
        {"a port that is not a number is shown as it is", "[setup]\nport=abc\n", 0, "MySQL", "localhost", "", "datos",
         "root", "abc", true, false},
    };
    for (const StartCase& c : cases) {
        SCOPED_TRACE(c.name);
        WorkingDir dir;
        if (c.ini) WriteBytes(dir.File("brevant.ini"), *c.ini);
        auto main = CreateMain();
        EXPECT_EQ(main->path, dir.Path());
        EXPECT_EQ(main->cbConnection->currentIndex(), c.index);
        EXPECT_EQ(main->cbConnection->currentText(), QString::fromUtf8(c.selected));
        EXPECT_EQ(main->edServer->text(), QString::fromUtf8(c.server));
        EXPECT_EQ(main->edDatabase->text(), QString::fromUtf8(c.database));
        EXPECT_EQ(main->edDataDir->text(), QString::fromUtf8(c.datadir));
        EXPECT_EQ(main->edUser->text(), QString::fromUtf8(c.user));
        EXPECT_EQ(main->edPort->text(), QString::fromUtf8(c.port));
        EXPECT_TRUE(main->edPass->text().isEmpty());
        EXPECT_EQ(main->edServer->isEnabled(), c.serverEnabled);
        EXPECT_EQ(main->edDataDir->isEnabled(), c.dataDirEnabled);
        for (QWidget* w : {static_cast<QWidget*>(main->edPort), static_cast<QWidget*>(main->edDatabase),
                           static_cast<QWidget*>(main->edUser), static_cast<QWidget*>(main->edPass)})
            EXPECT_TRUE(w->isEnabled());
    }
}

TEST(MainWindow, SelectorAppliesTheKindRule) {
    WorkingDir dir;
    auto main = CreateMain();
    struct Step {
        int kind;
        bool server, dataDir;
    };
    // -1 after Access leaves both disabled, after Embedded both enabled.
    const Step steps[] = {{2, false, false}, {-1, false, false}, {1, true, true},
                          {-1, true, true},  {0, true, false},   {2, false, false}};
    for (const Step& s : steps) {
        SCOPED_TRACE(s.kind);
        main->cbConnection->setCurrentIndex(s.kind);
        EXPECT_EQ(main->edServer->isEnabled(), s.server);
        EXPECT_EQ(main->edDataDir->isEnabled(), s.dataDir);
        EXPECT_TRUE(main->edPort->isEnabled());
    }
}

TEST(MainWindow, ClosingWritesTheSettingsButNeverThePassword) {
    WorkingDir dir;
    WriteBytes(dir.File("brevant.ini"), "[setup]\ndriverid=7\nport=abc\n[mine]\nkeep=1\n");
    auto main = CreateMain();
    main->edPass->setText(QStringLiteral("s3cret"));
    main->edDatabase->setText(QStringLiteral("sakila"));
    ASSERT_TRUE(Close(*main));
    EXPECT_EQ(ReadBytes(dir.File("brevant.ini")),
              "[setup]\ndriverid=-1\nport=abc\nserver=localhost\ndatabase=sakila\ndatadir=datos\nuser=root\n"
              "[mine]\nkeep=1\n");

    auto again = CreateMain();
    EXPECT_TRUE(again->edPass->text().isEmpty());
    EXPECT_EQ(again->edDatabase->text(), QStringLiteral("sakila"));
    EXPECT_EQ(again->cbConnection->currentIndex(), -1);
}

TEST(MainWindow, TheFileStaysInTheStartDirectory) {
    WorkingDir start;
    auto main = CreateMain();
    main->edUser->setText(QStringLiteral("later"));
    WorkingDir elsewhere;  // the program changes its current directory later on
    ASSERT_TRUE(Close(*main));
    EXPECT_NE(ReadBytes(start.File("brevant.ini")).find("user=later"), std::string::npos);
    EXPECT_FALSE(QFile::exists(elsewhere.Path() + QStringLiteral("/brevant.ini")));
}

// A key that cannot be written keeps the window open and is reported; the keys
// before it are in the file, the next close writes everything again.
TEST(MainWindow, AFailedWriteKeepsTheWindowOpen) {
    WorkingDir dir;
    CapturedReports reports;
    auto main = CreateMain();
    main->edServer->setText(QStringLiteral("srv"));
    main->edDatabase->setText(QStringLiteral("db"));
    int writes = 0;
    main->SetSettingsWriter([&](const std::string& name, std::string_view content) {
        return ++writes != 3 && IniFile::WriteFileReplacing(name, content);  // "database" fails
    });
    EXPECT_FALSE(Close(*main));
    EXPECT_TRUE(main->isVisible());
    ASSERT_EQ(reports.Texts().size(), 1);
    EXPECT_EQ(reports.Texts()[0], QStringLiteral("Unable to write to ") + dir.Path() + QStringLiteral("/brevant.ini"));
    EXPECT_EQ(ReadBytes(dir.File("brevant.ini")), "[setup]\ndriverid=0\nserver=srv\n");

    main->SetSettingsWriter({});
    EXPECT_TRUE(Close(*main));
    EXPECT_EQ(reports.Texts().size(), 1);
    EXPECT_NE(ReadBytes(dir.File("brevant.ini")).find("database=db"), std::string::npos);
}

// The same without injection. Tests run as root, whom a read-only folder does not
// stop; a folder standing where the file should be stops every user.
TEST(MainWindow, AnUnwritableFileKeepsTheWindowOpen) {
    WorkingDir dir;
    CapturedReports reports;
    auto main = CreateMain();
    ASSERT_TRUE(QDir(dir.Path()).mkdir(QStringLiteral("brevant.ini")));
    EXPECT_FALSE(Close(*main));
    ASSERT_EQ(reports.Texts().size(), 1);
    EXPECT_EQ(reports.Texts()[0], QStringLiteral("Unable to write to ") + dir.Path() + QStringLiteral("/brevant.ini"));
}

TEST(MainWindow, TimedQueryAndCommandRunsCloseTheViewers) {
    WorkingDir dir;
    auto main = CreateMain();
    main->show();
    for (auto viewers : {TTimedFrame::Viewers::Keep, TTimedFrame::Viewers::Close}) {
        main->frmMemo()->show();
        main->frmImagen()->show();
        main->Timed().Run(viewers, [] {});
        const bool open = viewers == TTimedFrame::Viewers::Keep;
        EXPECT_EQ(main->frmMemo()->isVisible(), open);
        EXPECT_EQ(main->frmImagen()->isVisible(), open);
        EXPECT_TRUE(main->StatusBar1->PanelText(2).startsWith(QStringLiteral("Tiempo invertido ")));
    }
}

}  // namespace
}  // namespace brevant
