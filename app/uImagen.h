#pragma once
// The image viewer: one column of the grid's current record as a picture.

#include "app/Controls.h"
#include "app/ViewerWindow.h"

namespace brevant {

class TfrmImagen : public TViewerWindow {
    Q_OBJECT
public:
    static constexpr char16_t Caption[] = u"Visualizador de Imágenes";
    static constexpr QSize DesignClientSize{269, 257};

    explicit TfrmImagen(TMain* main);

    TPictureBox* DBImage1 = nullptr;  // bound to field `imagen` of DataSource1's dataset at activation

    /// Points DBImage1 at DataSource1 and binds the selected field. The binding comes
    /// with the query dataset; until then there is nothing to bind.
    void FormActivate() override;
    /// Unbinds DBImage1. Nothing is bound yet.
    void FormClose() override;
};

}  // namespace brevant
