#include "app/Startup.h"

#include "app/ErrorReport.h"
#include "app/VisualStyle.h"
#include "app/uImagen.h"
#include "app/uMain.h"
#include "app/uMemo.h"
#include "mysql/client/TCustomDASQL.h"
#include "paths/FDWaitCursor.h"
#include "paths/MySQLAPIRegistration.h"

namespace brevant {

namespace {
void WaitCursor(bool busy) {
    if (busy) QApplication::setOverrideCursor(Qt::WaitCursor);
    else QApplication::restoreOverrideCursor();
}
}  // namespace

void InstallDataLayers() {
    RegisterMySQLAPIs();
    // Commands that change the cursor themselves show the hourglass too.
    TCustomDASQL::OnWaitCursor = WaitCursor;
    SetFDWaitCursorHook(WaitCursor);
}

int RunBrevant(int& argc, char** argv) {
    TApplication app(argc, argv);
    InstallErrorReport();

    if (!ApplyVisualStyle(app))
        ShowErrorMessageBox(QStringLiteral("The visual style \"%1\" could not be applied.")
                                .arg(QString::fromUtf16(VisualStyleName)));

    QApplication::setApplicationName(QStringLiteral("Brevant"));
    InstallDataLayers();

    TMain Main;
    // The viewers belong to the main window, which closes and frees them with itself.
    auto* frmMemo = new TfrmMemo(&Main);
    auto* frmImagen = new TfrmImagen(&Main);
    Main.SetViewers(frmMemo, frmImagen);

    Main.show();
    return app.exec();
}

}  // namespace brevant
