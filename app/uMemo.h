#pragma once
// The memo viewer: one column of the grid's current record as text.

#include "app/DBControls.h"

#include "app/ViewerWindow.h"

namespace brevant {

class TfrmMemo : public TViewerWindow {
    Q_OBJECT
public:
    static constexpr char16_t Caption[] = u"Visualizador de Memos";
    static constexpr QSize DesignClientSize{271, 114};

    explicit TfrmMemo(TMain* main);

    TDBMemo* dbMemo = nullptr;  // on DataSource1; bound to field `column` of the kind's query at activation

    /// Binds dbMemo, by name, to the field of the kind's query at the main window's
    /// `column`; to no field when there is none. No kind leaves the binding as it is.
    void FormActivate() override;
    /// Unbinds dbMemo.
    void FormClose() override;
};

}  // namespace brevant
