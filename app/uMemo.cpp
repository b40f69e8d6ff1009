#include "app/uMemo.h"

#include <QCloseEvent>

#include "app/ErrorReport.h"
#include "app/Fonts.h"
#include "app/uMain.h"

namespace brevant {

TfrmMemo::TfrmMemo(TMain* main) : QWidget(main, Qt::Window), main_(main) {
    setObjectName(QStringLiteral("frmMemo"));
    setWindowTitle(QString::fromUtf16(Caption));
    setFont(TahomaFont(11));
    resize(DesignClientSize);

    dbMemo = new QPlainTextEdit(this);
    dbMemo->setObjectName(QStringLiteral("dbMemo"));
    dbMemo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    dbMemo->setTabChangesFocus(true);
    anchors_.Place(dbMemo, QRect(8, 8, 255, 98), akAll);
}

void TfrmMemo::FormActivate() {}

void TfrmMemo::FormClose() {}

bool TfrmMemo::event(QEvent* e) {
    if (e->type() == QEvent::WindowActivate) ReportErrors([this] { FormActivate(); });
    return QWidget::event(e);
}

void TfrmMemo::closeEvent(QCloseEvent* e) {
    ReportErrors([this] { FormClose(); });
    e->accept();
}

void TfrmMemo::resizeEvent(QResizeEvent* e) {
    anchors_.Apply(size());
    QWidget::resizeEvent(e);
}

}  // namespace brevant
