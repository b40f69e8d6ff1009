#include "app/uImagen.h"

namespace brevant {

TfrmImagen::TfrmImagen(TMain* main)
    : TViewerWindow(main, QStringLiteral("frmImagen"), Caption, DesignClientSize) {
    DBImage1 = new TPictureBox(this);
    DBImage1->setObjectName(QStringLiteral("DBImage1"));
    anchors_.Place(DBImage1, QRect(8, 8, 253, 241), akAll);
}

void TfrmImagen::FormActivate() {}

void TfrmImagen::FormClose() {}

}  // namespace brevant
