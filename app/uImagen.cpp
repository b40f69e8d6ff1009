#include "app/uImagen.h"

#include "app/ViewerBinding.h"
#include "app/uMain.h"

namespace brevant {

TfrmImagen::TfrmImagen(TMain* main)
    : TViewerWindow(main, QStringLiteral("frmImagen"), Caption, DesignClientSize) {
    DBImage1 = new TDBImage(this);
    DBImage1->setObjectName(QStringLiteral("DBImage1"));
    anchors_.Place(DBImage1, QRect(8, 8, 253, 241), akAll);
}

void TfrmImagen::FormActivate() {
    TMain& main = *Main();
    DBImage1->SetDataSource(&main.DataSource1);
    if (auto name = ViewerFieldName(main.cbConnection->currentIndex(), main.MySQLQuery(), main.AccessQuery(), main.imagen))
        DBImage1->SetDataField(*name);
}

void TfrmImagen::FormClose() { DBImage1->SetDataField(UString()); }

}  // namespace brevant
