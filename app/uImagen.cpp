#include "app/uImagen.h"

#include <QCloseEvent>

#include "app/ErrorReport.h"
#include "app/Fonts.h"
#include "app/uMain.h"

namespace brevant {

TfrmImagen::TfrmImagen(TMain* main) : QWidget(main, Qt::Window), main_(main) {
    setObjectName(QStringLiteral("frmImagen"));
    setWindowTitle(QString::fromUtf16(Caption));
    setFont(TahomaFont(11));
    resize(DesignClientSize);

    DBImage1 = new TPictureBox(this);
    DBImage1->setObjectName(QStringLiteral("DBImage1"));
    anchors_.Place(DBImage1, QRect(8, 8, 253, 241), akAll);
}

void TfrmImagen::FormActivate() {}

void TfrmImagen::FormClose() {}

bool TfrmImagen::event(QEvent* e) {
    if (e->type() == QEvent::WindowActivate) ReportErrors([this] { FormActivate(); });
    return QWidget::event(e);
}

void TfrmImagen::closeEvent(QCloseEvent* e) {
    ReportErrors([this] { FormClose(); });
    e->accept();
}

void TfrmImagen::resizeEvent(QResizeEvent* e) {
    anchors_.Apply(size());
    QWidget::resizeEvent(e);
}

}  // namespace brevant
