#pragma once
// The memo viewer: one column of the grid's current record as text.

#include <QPlainTextEdit>
#include <QWidget>

#include "app/Anchors.h"

namespace brevant {

class TMain;

class TfrmMemo : public QWidget {
    Q_OBJECT
public:
    static constexpr char16_t Caption[] = u"Visualizador de Memos";
    static constexpr QSize DesignClientSize{271, 114};

    /// Created hidden, as a window of its own that belongs to `main`.
    explicit TfrmMemo(TMain* main);

    QPlainTextEdit* dbMemo = nullptr;  // bound to field `column` of DataSource1's dataset at activation

    /// Binds dbMemo to the main window's selected field. The binding comes with the
    /// query dataset; until then there is nothing to bind.
    void FormActivate();
    /// Unbinds dbMemo. Nothing is bound yet.
    void FormClose();

    /// The main window whose data source and field choice the viewer shows.
    TMain* Main() const { return main_; }

protected:
    bool event(QEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;

private:
    TMain* main_;
    TAnchorSet anchors_{DesignClientSize};
};

}  // namespace brevant
