#pragma once
// The main window: the connection row, the query and command panes with their
// buttons, the backup and restore buttons, the result grid and the status bar.
// Controls are placed at fixed positions and follow the window's edges through their
// anchors.

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QString>
#include <QTableView>
#include <QToolButton>
#include <QWidget>
#include <memory>

#include "app/Anchors.h"
#include "app/ConnectionRow.h"
#include "app/DBGrid.h"
#include "app/DocumentCommands.h"
#include "core/IniFile.h"
#include "app/OpenDialog.h"
#include "app/ProgressDialog.h"
#include "app/SpeedButtonPictures.h"
#include "app/StatusPanels.h"
#include "app/StatusTexts.h"
#include "app/TimedFrame.h"
#include "mysql/client/TCustomMyConnection.h"
#include "data/TDataSource.h"
#include "data/TMyQuery.h"
#include "mysql/client/TMyCommand.h"
#include "paths/FDCommand.h"
#include "paths/FDConn.h"
#include "paths/FDQuery.h"
#include "paths/TMyEmbConnection.h"
#include "script/TMyDump.h"

namespace brevant {

class TfrmMemo;
class TfrmImagen;
class TViewerWindow;

class TMain : public QWidget {
    Q_OBJECT
public:
    static constexpr char16_t Caption[] = u"Brevant 1.1.7 by Fennick";
    static constexpr QSize DesignClientSize{924, 506};
    static constexpr QSize MinimumOuterSize{940, 370};
    /// Frame assumed around the client area while the window system reports none
    /// (before the window is shown, or without a window manager): the frame the
    /// window's sizes were designed with, 8-pixel borders and a 31-pixel caption.
    static constexpr QSize DesignFrameExtents{16, 39};

    /// Builds every control and runs FormCreate, which reads the settings file from
    /// the current directory.
    explicit TMain(QWidget* parent = nullptr);
    ~TMain() override;

    /// The two viewers, created after the main window and owned by it.
    void SetViewers(TfrmMemo* memo, TfrmImagen* imagen);
    TfrmMemo* frmMemo() const { return frmMemo_; }
    TfrmImagen* frmImagen() const { return frmImagen_; }

    /// Replaces how FormClose writes the settings file (tests inject failures here).
    void SetSettingsWriter(IniFile::FileWriter writer) { settingsWriter_ = std::move(writer); }

    /// Replaces the open-file dialog of the panes' load buttons (tests answer it).
    void SetOpenDialog(std::unique_ptr<IOpenDialog> dialog) { OpenDialog = std::move(dialog); }

    /// Replaces how the document buttons open a saved document (tests record it).
    void SetDocumentOpener(std::unique_ptr<IDocumentOpener> opener) { DocumentOpener = std::move(opener); }

    /// The frame of every timed command.
    TTimedFrame& Timed() { return *timed_; }

    /// Size of the window frame around the client area.
    QSize FrameExtents() const;
    /// Closes the memo viewer if it is shown, then the image viewer if it is shown.
    void CloseViewers();

    // Labels.
    QLabel* Label1 = nullptr;   // "Conexión"
    QLabel* Label2 = nullptr;   // "Servidor"
    QLabel* Label3 = nullptr;   // "Directorio de Datos"
    QLabel* Label4 = nullptr;   // "Base de Datos"
    QLabel* Label5 = nullptr;   // "Puerto"
    QLabel* Label6 = nullptr;   // "Usuario"
    QLabel* Label7 = nullptr;   // "Contraseña"
    QLabel* Label8 = nullptr;   // "Sentencia SQL"
    QLabel* Label9 = nullptr;   // "Comando SQL"
    QLabel* Label10 = nullptr;  // "Resultado"

    // Connection row.
    QComboBox* cbConnection = nullptr;
    QLineEdit* edServer = nullptr;
    QLineEdit* edDataDir = nullptr;
    QLineEdit* edDatabase = nullptr;
    QLineEdit* edPort = nullptr;
    QLineEdit* edUser = nullptr;
    QLineEdit* edPass = nullptr;
    QToolButton* sbutConnect = nullptr;

    // Query pane (Memo1) and command pane (Memo2).
    QPlainTextEdit* Memo1 = nullptr;
    QPlainTextEdit* Memo2 = nullptr;
    QToolButton* SpeedButton1 = nullptr;  // run the query pane
    QToolButton* SpeedButton3 = nullptr;  // load a file into the query pane
    QToolButton* SpeedButton5 = nullptr;  // clear the query pane
    QToolButton* SpeedButton2 = nullptr;  // run the command pane
    QToolButton* SpeedButton4 = nullptr;  // load a file into the command pane
    QToolButton* SpeedButton6 = nullptr;  // clear the command pane

    // Backup and restore.
    QPushButton* Button1 = nullptr;  // "Backup"
    QPushButton* Button2 = nullptr;  // "Restaura"
    QPushButton* Button3 = nullptr;  // "Backup Estructura"
    QPushButton* Button4 = nullptr;  // "Backup Tablas"
    TProgressDialog* Progress = nullptr;  // shown while a backup or restore runs

    // Result grid, viewers and documents.
    TDBGrid* DBGrid1 = nullptr;            // shows DataSource1's dataset
    QToolButton* SpeedButton7 = nullptr;   // image viewer
    QToolButton* SpeedButton8 = nullptr;   // memo viewer
    QToolButton* SpeedButton9 = nullptr;   // open the current document
    QToolButton* SpeedButton10 = nullptr;  // export documents
    QToolButton* SpeedButton11 = nullptr;  // import documents

    TStatusPanels* StatusBar1 = nullptr;

    // Data-access objects, one of each for the whole run, all closed at start. Each
    // connection keeps its own state: connecting one kind leaves the others as they are.
    TMyConnection MyConn{u"MyConn"};           // MySQL connection over the wire client
    TMyEmbConnection MyEmbConn{u"MyEmbConn"};  // embedded-server connection
    ::brevant::FDConn FDConn;                  // Access connection
    ::brevant::FDQuery FDQuery;                // Access query; after scroll FDQueryAfterScroll
    ::brevant::FDCommand FDCommand;            // Access command
    TMyCommand MyCommand;                      // MySQL command; each run points it at its kind's connection
    TMyQuery MyQuery;                          // MySQL query dataset; each run points it at its kind's connection
    TDataSource DataSource1;                   // what the grid and both viewers show
    TMyDump MyDump;                            // dump and restore; each button points it at its kind's connection
    std::unique_ptr<IOpenDialog> OpenDialog;  // open-file dialog, default extension "*.sql"
    std::unique_ptr<IDocumentOpener> DocumentOpener;  // the desktop's opener of saved documents

    // Fields.
    QString path;  // current directory at creation, without a trailing separator
    int driverid = 0;
    QString server, database, datadir, user, port;
    QString pass;  // never filled: it only empties the password box at start
    int column = 0;  // field shown by the memo viewer
    int imagen = 0;  // field shown by the image viewer

    // Handlers.
    void FormCreate();
    /// Writes the settings file; EIniFileException when a key cannot be written.
    void FormClose();
    void FormResize();
    void cbConnectionChange();
    /// Panel 1 follows the query's current record: "Registros: " R "/" N ".".
    void MyQueryAfterScroll();
    /// The same for the Access query.
    void FDQueryAfterScroll();

    // Commands. Those whose layer has not arrived do nothing yet.
    void sbutConnectClick();    // connect
    void SpeedButton1Click();   // run the query pane
    void SpeedButton2Click();   // run the command pane
    void SpeedButton3Click();   // load a file into the query pane
    void SpeedButton4Click();   // load a file into the command pane
    void SpeedButton5Click();   // clear the query pane
    void SpeedButton6Click();   // clear the command pane
    void SpeedButton7Click();   // show the image viewer
    void SpeedButton8Click();   // show the memo viewer
    void SpeedButton9Click();   // open the current document
    void SpeedButton10Click();  // export documents
    void SpeedButton11Click();  // import documents
    void Button1Click();        // backup
    void Button2Click();        // restore
    void Button3Click();        // structure backup
    void Button4Click();        // per-table backup
    void DBGrid1DblClick();     // show the memo viewer

    /// The MySQL query dataset that kinds 0 and 1 run and the viewers look at.
    TDataSet* MySQLQuery() { return &MyQuery; }
    /// The Access query that kind 2 runs and the viewers look at.
    TDataSet* AccessQuery() { return &FDQuery; }
    /// The MySQL connection of a MySQL kind: MyEmbConn for kind 1, MyConn otherwise.
    TCustomMyConnection& MySQLConnection(int kind);

    /// The texts of the connection row's boxes.
    TConnectionRow ConnectionRow() const;

    /// The file FormCreate read and FormClose writes: `path` + "/brevant.ini".
    QString SettingsFileName() const;

protected:
    void closeEvent(QCloseEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void moveEvent(QMoveEvent* e) override;

private:
    void CreateControls();
    QLabel* AddLabel(const char16_t* text, int left, int top);
    QLineEdit* AddEdit(const char* name, const QRect& design);
    QToolButton* AddSpeedButton(const char* name, QPoint at, unsigned anchors, TPicture picture, void (TMain::*handler)());
    void SetTabOrder();
    void ApplyConnectionKind(int kind);
    void UpdateMinimumSize();
    void LoadPane(QPlainTextEdit& pane);
    void Show(const StatusText::TOutcome& outcome);
    /// The viewer buttons: shows `viewer` on the grid's selected column, stored in
    /// `field`, when the kind's query holds a record.
    void ShowViewer(TViewerWindow& viewer, int& field);
    void CenterOnDesktop();
    /// A document button on the selected kind's query and the grid's selected column.
    void RunDocumentButton(TDocumentButton button);

    TAnchorSet anchors_{DesignClientSize};
    std::unique_ptr<TTimedFrame> timed_;
    IniFile::FileWriter settingsWriter_;
    TfrmMemo* frmMemo_ = nullptr;
    TfrmImagen* frmImagen_ = nullptr;
};

}  // namespace brevant
