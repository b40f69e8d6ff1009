#include "app/uMemo.h"

#include "app/ViewerBinding.h"
#include "app/uMain.h"

namespace brevant {

TfrmMemo::TfrmMemo(TMain* main)
    : TViewerWindow(main, QStringLiteral("frmMemo"), Caption, DesignClientSize) {
    dbMemo = new TDBMemo(this);
    dbMemo->SetDataSource(&main->DataSource1);
    dbMemo->setObjectName(QStringLiteral("dbMemo"));
    dbMemo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    dbMemo->setTabChangesFocus(true);
    anchors_.Place(dbMemo, QRect(8, 8, 255, 98), akAll);
}

void TfrmMemo::FormActivate() {
    TMain& main = *Main();
    if (auto name = ViewerFieldName(main.cbConnection->currentIndex(), main.MySQLQuery(), main.AccessQuery(), main.column))
        dbMemo->SetDataField(*name);
}

void TfrmMemo::FormClose() { dbMemo->SetDataField(UString()); }

}  // namespace brevant
