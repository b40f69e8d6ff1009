#include "app/uMemo.h"

namespace brevant {

TfrmMemo::TfrmMemo(TMain* main)
    : TViewerWindow(main, QStringLiteral("frmMemo"), Caption, DesignClientSize) {
    dbMemo = new QPlainTextEdit(this);
    dbMemo->setObjectName(QStringLiteral("dbMemo"));
    dbMemo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    dbMemo->setTabChangesFocus(true);
    anchors_.Place(dbMemo, QRect(8, 8, 255, 98), akAll);
}

void TfrmMemo::FormActivate() {}

void TfrmMemo::FormClose() {}

}  // namespace brevant
