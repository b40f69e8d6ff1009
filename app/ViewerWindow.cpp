#include "app/ViewerWindow.h"

#include <QCloseEvent>

#include "app/ErrorReport.h"
#include "app/Fonts.h"
#include "app/uMain.h"

namespace brevant {

TViewerWindow::TViewerWindow(TMain* main, const QString& objectName, const char16_t* caption, QSize clientSize)
    : QWidget(main, Qt::Window), anchors_(clientSize), main_(main) {
    setObjectName(objectName);
    setWindowTitle(QString::fromUtf16(caption));
    setFont(TahomaFont(11));
    resize(clientSize);
}

bool TViewerWindow::event(QEvent* e) {
    if (e->type() == QEvent::WindowActivate) ReportErrors([this] { FormActivate(); });
    return QWidget::event(e);
}

void TViewerWindow::closeEvent(QCloseEvent* e) {
    ReportErrors([this] { FormClose(); });
    e->accept();
}

void TViewerWindow::resizeEvent(QResizeEvent* e) {
    anchors_.Apply(size());
    QWidget::resizeEvent(e);
}

}  // namespace brevant
