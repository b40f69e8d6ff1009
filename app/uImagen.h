#pragma once
// The image viewer: one column of the grid's current record as a picture.

#include <QWidget>

#include "app/Anchors.h"
#include "app/Controls.h"

namespace brevant {

class TMain;

class TfrmImagen : public QWidget {
    Q_OBJECT
public:
    static constexpr char16_t Caption[] = u"Visualizador de Imágenes";
    static constexpr QSize DesignClientSize{269, 257};

    /// Created hidden, as a window of its own that belongs to `main`.
    explicit TfrmImagen(TMain* main);

    TPictureBox* DBImage1 = nullptr;  // bound to field `imagen` of DataSource1's dataset at activation

    /// Points DBImage1 at DataSource1 and binds the selected field. The binding comes
    /// with the query dataset; until then there is nothing to bind.
    void FormActivate();
    /// Unbinds DBImage1. Nothing is bound yet.
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
