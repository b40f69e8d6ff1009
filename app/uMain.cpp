#include "app/uMain.h"

#include <QCloseEvent>
#include <QDir>
#include <QGuiApplication>
#include <QScreen>

#include "app/BackupCommands.h"
#include "app/CommandRun.h"
#include "app/ConnectCommand.h"
#include "app/ConnectionKind.h"
#include "app/Controls.h"
#include "app/ErrorReport.h"
#include "app/DesignTime.h"
#include "app/Fonts.h"
#include "app/PaneCommands.h"
#include "app/QueryRun.h"
#include "app/ViewerBinding.h"
#include "app/Settings.h"
#include "app/uImagen.h"
#include "app/uMemo.h"

namespace brevant {

namespace {
QString Q(const UString& s) { return QString::fromStdU16String(s); }
UString U(const QString& s) { return s.toStdU16String(); }
}  // namespace

TMain::TMain(QWidget* parent)
    : QWidget(parent), OpenDialog(std::make_unique<TOpenDialog>(this)), DocumentOpener(std::make_unique<TDesktopOpener>()) {
    DesignMyConn(MyConn);
    MyQuery.AfterScroll = [this](TDataSet&) { MyQueryAfterScroll(); };
    // The layout's start arguments; connecting replaces them by the boxes' texts.
    TStrings embParams;
    embParams.Add(u"--datadir=datos");
    embParams.Add(u"--basedir=.");
    MyEmbConn.SetParams(embParams);
    FDQuery.AfterScroll = [this](TDataSet&) { FDQueryAfterScroll(); };
    setObjectName(QStringLiteral("Main"));
    setWindowTitle(QString::fromUtf16(Caption));
    setFont(TahomaFont(15));
    resize(DesignClientSize);
    CreateControls();
    timed_ = std::make_unique<TTimedFrame>(*StatusBar1, [this] { CloseViewers(); });
    UpdateMinimumSize();
    CenterOnDesktop();
    FormCreate();
}

TMain::~TMain() = default;

QLabel* TMain::AddLabel(const char16_t* text, int left, int top) {
    auto* label = new QLabel(QString::fromUtf16(text), this);
    label->adjustSize();
    anchors_.Place(label, QRect(left, top, label->width(), 18));
    return label;
}

QLineEdit* TMain::AddEdit(const char* name, const QRect& design) {
    auto* edit = new QLineEdit(this);
    edit->setObjectName(QString::fromLatin1(name));
    anchors_.Place(edit, design);
    return edit;
}

QToolButton* TMain::AddSpeedButton(const char* name, QPoint at, unsigned anchors, TPicture picture,
                                   void (TMain::*handler)()) {
    auto* button = new QToolButton(this);
    button->setObjectName(QString::fromLatin1(name));
    button->setIcon(QIcon(SpeedButtonPicture(picture)));
    button->setIconSize(QSize(16, 16));
    button->setFocusPolicy(Qt::NoFocus);  // speed buttons are not in the tab chain
    anchors_.Place(button, QRect(at, QSize(23, 22)), anchors);
    connect(button, &QToolButton::clicked, this, [this, handler] { ReportErrors([&] { (this->*handler)(); }); });
    return button;
}

void TMain::CreateControls() {
    Label1 = AddLabel(u"Conexión", 16, 8);
    Label2 = AddLabel(u"Servidor", 127, 8);
    Label3 = AddLabel(u"Directorio de Datos", 305, 8);
    Label4 = AddLabel(u"Base de Datos", 501, 8);
    Label5 = AddLabel(u"Puerto", 663, 8);
    Label6 = AddLabel(u"Usuario", 718, 8);
    Label7 = AddLabel(u"Contraseña", 791, 8);
    Label8 = AddLabel(u"Sentencia SQL", 16, 62);
    Label9 = AddLabel(u"Comando SQL", 501, 62);
    Label10 = AddLabel(u"Resultado", 8, 192);

    cbConnection = new QComboBox(this);
    cbConnection->setObjectName(QStringLiteral("cbConnection"));
    cbConnection->setEditable(false);
    cbConnection->setItemDelegate(new TFixedHeightItems(20, cbConnection));
    cbConnection->addItems({QStringLiteral("MySQL"), QStringLiteral("MySQL Embebido"), QStringLiteral("Access")});
    anchors_.Place(cbConnection, QRect(16, 27, 105, 26));
    connect(cbConnection, &QComboBox::currentIndexChanged, this,
            [this] { ReportErrors([this] { cbConnectionChange(); }); });

    edServer = AddEdit("edServer", QRect(127, 27, 172, 26));
    edDataDir = AddEdit("edDataDir", QRect(305, 27, 190, 26));
    edDatabase = AddEdit("edDatabase", QRect(501, 27, 156, 26));
    edPort = AddEdit("edPort", QRect(663, 27, 50, 26));
    edUser = AddEdit("edUser", QRect(718, 27, 67, 26));
    edPass = AddEdit("edPass", QRect(791, 27, 82, 26));
    edPass->setEchoMode(QLineEdit::Password);
    edPass->setStyleSheet(QStringLiteral("QLineEdit { lineedit-password-character: 42; }"));  // '*'
    // Design-time contents; FormCreate puts the settings over them.
    edServer->setText(QStringLiteral("localhost"));
    edDataDir->setText(QStringLiteral("datos"));
    edPort->setText(QStringLiteral("3306"));
    edUser->setText(QStringLiteral("root"));

    auto memo = [this](const char* name, const QRect& design, unsigned anchors) {
        auto* m = new QPlainTextEdit(this);
        m->setObjectName(QString::fromLatin1(name));
        m->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
        m->setTabChangesFocus(true);
        anchors_.Place(m, design, anchors);
        return m;
    };
    Memo1 = memo("Memo1", QRect(16, 81, 436, 94), akLeftTop);
    Memo2 = memo("Memo2", QRect(501, 81, 372, 94), akLeft | akTop | akRight);

    auto button = [this](const char* name, const char16_t* text, const QRect& design, void (TMain::*handler)()) {
        auto* b = new TWrapButton(QString::fromUtf16(text), this);
        b->setObjectName(QString::fromLatin1(name));
        anchors_.Place(b, design);
        connect(b, &QPushButton::clicked, this, [this, handler] { ReportErrors([&] { (this->*handler)(); }); });
        return b;
    };
    Button1 = button("Button1", u"Backup", QRect(532, 181, 108, 29), &TMain::Button1Click);
    Button2 = button("Button2", u"Restaura", QRect(760, 181, 113, 29), &TMain::Button2Click);
    Button3 = button("Button3", u"Backup Estructura", QRect(392, 181, 134, 29), &TMain::Button3Click);
    Button4 = button("Button4", u"Backup Tablas", QRect(646, 181, 108, 29), &TMain::Button4Click);
    Progress = new TProgressDialog(this);

    DBGrid1 = new TDBGrid(this);
    DBGrid1->SetDataSource(&DataSource1);
    DBGrid1->setObjectName(QStringLiteral("DBGrid1"));
    DBGrid1->setTabKeyNavigation(true);
    anchors_.Place(DBGrid1, QRect(8, 216, 865, 272), akAll);
    connect(DBGrid1, &QTableView::doubleClicked, this, [this] { ReportErrors([this] { DBGrid1DblClick(); }); });

    const unsigned topRight = akTop | akRight;
    sbutConnect = AddSpeedButton("sbutConnect", {879, 26}, akLeftTop, TPicture::OrangeArrow, &TMain::sbutConnectClick);
    SpeedButton1 = AddSpeedButton("SpeedButton1", {458, 81}, akLeftTop, TPicture::OrangeArrow, &TMain::SpeedButton1Click);
    SpeedButton3 = AddSpeedButton("SpeedButton3", {458, 109}, akLeftTop, TPicture::YellowFolder, &TMain::SpeedButton3Click);
    SpeedButton5 = AddSpeedButton("SpeedButton5", {458, 137}, akLeftTop, TPicture::RecycleBin, &TMain::SpeedButton5Click);
    SpeedButton2 = AddSpeedButton("SpeedButton2", {879, 81}, topRight, TPicture::OrangeArrow, &TMain::SpeedButton2Click);
    SpeedButton4 = AddSpeedButton("SpeedButton4", {879, 109}, topRight, TPicture::YellowFolder, &TMain::SpeedButton4Click);
    SpeedButton6 = AddSpeedButton("SpeedButton6", {879, 137}, topRight, TPicture::RecycleBin, &TMain::SpeedButton6Click);
    SpeedButton7 = AddSpeedButton("SpeedButton7", {879, 215}, topRight, TPicture::Picture, &TMain::SpeedButton7Click);
    SpeedButton8 = AddSpeedButton("SpeedButton8", {879, 243}, topRight, TPicture::BlueBook, &TMain::SpeedButton8Click);
    SpeedButton9 = AddSpeedButton("SpeedButton9", {879, 271}, topRight, TPicture::RedDocument, &TMain::SpeedButton9Click);
    SpeedButton10 = AddSpeedButton("SpeedButton10", {879, 319}, topRight, TPicture::RedDocument, &TMain::SpeedButton10Click);
    SpeedButton11 = AddSpeedButton("SpeedButton11", {879, 359}, topRight, TPicture::RedDocument, &TMain::SpeedButton11Click);

    StatusBar1 = new TStatusPanels(this);
    StatusBar1->setGeometry(0, DesignClientSize.height() - TStatusPanels::BarHeight, DesignClientSize.width(),
                            TStatusPanels::BarHeight);

    SetTabOrder();
}

void TMain::SetTabOrder() {
    // Tab positions 0 to 5, then 7 to 14; no control holds position 6.
    QWidget* const chain[] = {cbConnection, edServer, edDatabase, edPort,  edUser,  edPass,  DBGrid1,
                              Memo1,        Memo2,    edDataDir,  Button1, Button2, Button3, Button4};
    for (QWidget* w : chain) w->setFocusPolicy(w == DBGrid1 ? Qt::StrongFocus : w->focusPolicy());
    for (std::size_t i = 1; i < std::size(chain); ++i) QWidget::setTabOrder(chain[i - 1], chain[i]);
}

void TMain::SetViewers(TfrmMemo* memo, TfrmImagen* imagen) {
    frmMemo_ = memo;
    frmImagen_ = imagen;
}

QString TMain::SettingsFileName() const { return path + QLatin1Char('/') + QString::fromUtf16(brevant::SettingsFileName); }

QSize TMain::FrameExtents() const {
    const QSize frame = frameGeometry().size() - geometry().size();
    return frame.width() > 0 || frame.height() > 0 ? frame : DesignFrameExtents;
}

void TMain::UpdateMinimumSize() {
    const QSize frame = FrameExtents();
    setMinimumSize(MinimumOuterSize.width() - frame.width(), MinimumOuterSize.height() - frame.height());
}

void TMain::CenterOnDesktop() {
    QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen) return;
    const QRect desktop = screen->availableGeometry();
    const QSize outer = size() + FrameExtents();
    move(desktop.x() + (desktop.width() - outer.width()) / 2, desktop.y() + (desktop.height() - outer.height()) / 2);
}

void TMain::CloseViewers() {
    if (frmMemo_ && frmMemo_->isVisible()) frmMemo_->close();
    if (frmImagen_ && frmImagen_->isVisible()) frmImagen_->close();
}

void TMain::ApplyConnectionKind(int kind) {
    if (auto states = KindFieldStates(kind)) {
        edServer->setEnabled(states->server);
        edDataDir->setEnabled(states->dataDir);
    }
}

// ---- Handlers ---------------------------------------------------------------

void TMain::FormCreate() {
    path = QDir::currentPath();
    if (path.endsWith(QLatin1Char('/'))) path.chop(1);  // the root directory

    const IniFile file(U(SettingsFileName()));
    const TSettings s = LoadSettings(file);
    driverid = s.driverid;
    server = Q(s.server);
    database = Q(s.database);
    datadir = Q(s.datadir);
    user = Q(s.user);
    port = Q(s.port);

    {
        // Selecting the stored kind is not a change made by the user.
        const QSignalBlocker quiet(cbConnection);
        cbConnection->setCurrentIndex(driverid >= 0 && driverid < cbConnection->count() ? driverid : -1);
    }
    edServer->setText(server);
    edDatabase->setText(database);
    edDataDir->setText(datadir);
    edUser->setText(user);
    edPass->setText(pass);
    edPort->setText(port);

    // FDConn and MyEmbConn are closed here once they exist; nothing is open yet.

    ApplyConnectionKind(cbConnection->currentIndex());
}

void TMain::FormClose() {
    IniFile file(U(SettingsFileName()), settingsWriter_);
    TSettings s;
    s.driverid = cbConnection->currentIndex();  // -1 when no item is selected
    s.server = U(edServer->text());
    s.database = U(edDatabase->text());
    s.datadir = U(edDataDir->text());
    s.user = U(edUser->text());
    s.port = U(edPort->text());
    SaveSettings(file, s);
}

void TMain::FormResize() {
    const int width = StatusPanelWidth(this->width() + FrameExtents().width());
    for (int i = 0; i < TStatusPanels::PanelCount; ++i) StatusBar1->SetPanelWidth(i, width);
}

void TMain::cbConnectionChange() { ApplyConnectionKind(cbConnection->currentIndex()); }

TConnectionRow TMain::ConnectionRow() const {
    return {U(edServer->text()), U(edDataDir->text()), U(edDatabase->text()),
            U(edPort->text()),   U(edUser->text()),    U(edPass->text())};
}

void TMain::sbutConnectClick() {
    CloseViewers();
    const std::optional<QString> outcome = TConnectCommand(MyConn, MyEmbConn, FDConn).Run(cbConnection->currentIndex(), ConnectionRow());
    if (outcome) StatusBar1->SetPanelText(0, *outcome);
    StatusBar1->SetPanelText(1, QString());
    StatusBar1->SetPanelText(2, QString());
}

void TMain::SpeedButton1Click() {
    timed_->Run(TTimedFrame::Viewers::Close, [this] {
        if (auto outcome = TQueryRun(MyQuery, MyConn, MyEmbConn, DataSource1, FDQuery, FDConn).Run(cbConnection->currentIndex(), PaneText(*Memo1)))
            Show(*outcome);
    });
}

void TMain::MyQueryAfterScroll() { StatusBar1->SetPanelText(1, StatusText::Records(MyQuery.RecNo(), MyQuery.RecordCount())); }
void TMain::FDQueryAfterScroll() { StatusBar1->SetPanelText(1, StatusText::Records(FDQuery.RecNo(), FDQuery.RecordCount())); }
TCustomMyConnection& TMain::MySQLConnection(int kind) {
    if (kind == ckMySQLEmbedded) return MyEmbConn;
    return MyConn;
}
void TMain::SpeedButton2Click() {
    timed_->Run(TTimedFrame::Viewers::Close, [this] {
        if (auto outcome = TCommandRun(MyCommand, MyConn, MyEmbConn, FDCommand, FDConn).Run(cbConnection->currentIndex(), PaneText(*Memo2)))
            Show(*outcome);
    });
}

void TMain::Show(const StatusText::TOutcome& outcome) {
    StatusBar1->SetPanelText(0, outcome.panel0);
    if (!outcome.keepPanel1) StatusBar1->SetPanelText(1, outcome.panel1);
}

void TMain::LoadPane(QPlainTextEdit& pane) {
    if (std::optional<QString> text = TLoadPaneCommand(*OpenDialog).Run()) pane.setPlainText(*text);
}

void TMain::SpeedButton3Click() { LoadPane(*Memo1); }
void TMain::SpeedButton4Click() { LoadPane(*Memo2); }
void TMain::SpeedButton5Click() { ClearPane(*Memo1); }
void TMain::SpeedButton6Click() { ClearPane(*Memo2); }
void TMain::ShowViewer(TViewerWindow& viewer, int& field) {
    if (!ViewerCanShow(cbConnection->currentIndex(), MySQLQuery(), AccessQuery())) return;
    field = DBGrid1->SelectedIndex();
    // Showing activates the viewer, which binds it; one that is active already binds
    // again here, so that it switches to the newly selected column.
    const bool wasActive = viewer.isVisible() && viewer.isActiveWindow();
    viewer.show();
    viewer.raise();
    viewer.activateWindow();
    if (wasActive) viewer.FormActivate();
}

void TMain::SpeedButton7Click() { ShowViewer(*frmImagen_, imagen); }
void TMain::SpeedButton8Click() { ShowViewer(*frmMemo_, column); }
void TMain::RunDocumentButton(TDocumentButton button) {
    TDocumentButtons(MyQuery, FDQuery, *DocumentOpener, path).Run(button, cbConnection->currentIndex(), DBGrid1->SelectedIndex());
}
void TMain::SpeedButton9Click() { RunDocumentButton(TDocumentButton::Open); }
void TMain::SpeedButton10Click() { RunDocumentButton(TDocumentButton::Export); }
void TMain::SpeedButton11Click() { RunDocumentButton(TDocumentButton::Import); }
void TMain::Button1Click() {
    timed_->Run(TTimedFrame::Viewers::Keep, [this] {
        const int kind = cbConnection->currentIndex();
        if (auto outcome = TBackupCommand(MyDump, MySQLConnection(kind), Progress).Run(kind, doTables | doData | doViews))
            Show(*outcome);
    });
}
void TMain::Button2Click() {
    timed_->Run(TTimedFrame::Viewers::Keep, [this] {
        const int kind = cbConnection->currentIndex();
        if (auto outcome = TRestoreCommand(MyDump, MySQLConnection(kind), *OpenDialog, Progress).Run(kind)) Show(*outcome);
    });
}
void TMain::Button3Click() {
    timed_->Run(TTimedFrame::Viewers::Keep, [this] {
        const int kind = cbConnection->currentIndex();
        if (auto outcome = TBackupCommand(MyDump, MySQLConnection(kind), Progress).Run(kind, doTables | doViews))
            Show(*outcome);
    });
}
void TMain::Button4Click() {
    timed_->Run(TTimedFrame::Viewers::Keep, [this] {
        Memo1->setPlainText(QStringLiteral("Show tables;"));
        SpeedButton1Click();  // the query pane's run, nested: the listing
        const int kind = cbConnection->currentIndex();
        // Walks the listing itself, so panel 1 follows its rows as they are backed up.
        TBackupTablesCommand command(MyDump, MySQLConnection(kind), Progress);
        command.ShowFailure = [this](const StatusText::TOutcome& outcome) { Show(outcome); };
        if (auto outcome = command.Run(kind, MyQuery)) Show(*outcome);
    });
}
void TMain::DBGrid1DblClick() { ShowViewer(*frmMemo_, column); }

// ---- Window events ----------------------------------------------------------

void TMain::closeEvent(QCloseEvent* e) {
    // A settings key that cannot be written abandons the close: the window stays
    // open, and the next close tries the whole write again.
    if (ReportErrors([this] { FormClose(); })) e->accept();
    else e->ignore();
}

void TMain::resizeEvent(QResizeEvent* e) {
    UpdateMinimumSize();
    anchors_.Apply(size());
    StatusBar1->setGeometry(0, height() - TStatusPanels::BarHeight, width(), TStatusPanels::BarHeight);
    QWidget::resizeEvent(e);
    ReportErrors([this] { FormResize(); });
}

void TMain::moveEvent(QMoveEvent* e) {
    // The window manager's frame becomes known once the window is placed.
    UpdateMinimumSize();
    QWidget::moveEvent(e);
}

}  // namespace brevant
