#pragma once
// The memo viewer: one column of the grid's current record as text.

#include <QPlainTextEdit>

#include "app/ViewerWindow.h"

namespace brevant {

class TfrmMemo : public TViewerWindow {
    Q_OBJECT
public:
    static constexpr char16_t Caption[] = u"Visualizador de Memos";
    static constexpr QSize DesignClientSize{271, 114};

    explicit TfrmMemo(TMain* main);

    QPlainTextEdit* dbMemo = nullptr;  // bound to field `column` of DataSource1's dataset at activation

    /// Binds dbMemo to the main window's selected field. The binding comes with the
    /// query dataset; until then there is nothing to bind.
    void FormActivate() override;
    /// Unbinds dbMemo. Nothing is bound yet.
    void FormClose() override;
};

}  // namespace brevant
