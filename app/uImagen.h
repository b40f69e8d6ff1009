#pragma once
// The image viewer: one column of the grid's current record as a picture.

#include "app/DBControls.h"
#include "app/ViewerWindow.h"

namespace brevant {

class TfrmImagen : public TViewerWindow {
    Q_OBJECT
public:
    static constexpr char16_t Caption[] = u"Visualizador de Imágenes";
    static constexpr QSize DesignClientSize{269, 257};

    explicit TfrmImagen(TMain* main);

    TDBImage* DBImage1 = nullptr;  // no data source until activation

    /// Points DBImage1 at DataSource1, then binds it as the memo viewer binds its box,
    /// with the main window's `imagen`.
    void FormActivate() override;
    /// Unbinds DBImage1.
    void FormClose() override;
};

}  // namespace brevant
