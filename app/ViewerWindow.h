#pragma once
// What the two record viewers share: a small window of its own that belongs to the
// main window, Tahoma 11 px, one control anchored to all four sides, FormActivate
// each time it becomes active and FormClose when it closes.

#include <QWidget>

#include "app/Anchors.h"

namespace brevant {

class TMain;

class TViewerWindow : public QWidget {
    Q_OBJECT
public:
    /// The main window whose data source and field choice the viewer shows.
    TMain* Main() const { return main_; }

    virtual void FormActivate() = 0;
    virtual void FormClose() = 0;

protected:
    /// Created hidden, as a window of its own that belongs to `main`.
    TViewerWindow(TMain* main, const QString& objectName, const char16_t* caption, QSize clientSize);

    bool event(QEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;

    TAnchorSet anchors_;

private:
    TMain* main_;
};

}  // namespace brevant
