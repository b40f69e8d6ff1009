#include "app/Fonts.h"

#include <QStringList>

namespace brevant {

QFont TahomaFont(int pixelSize) {
    static const bool substituted = [] {
        // Narrow humanist faces first: they keep the labels within the room the window
        // gives them, as Tahoma does.
        QFont::insertSubstitutions(QStringLiteral("Tahoma"),
                                   {QStringLiteral("DejaVu Sans Condensed"), QStringLiteral("Liberation Sans"),
                                    QStringLiteral("Arimo"), QStringLiteral("Nimbus Sans"),
                                    QStringLiteral("DejaVu Sans")});
        return true;
    }();
    (void)substituted;
    QFont font(QStringLiteral("Tahoma"));
    font.setPixelSize(pixelSize);
    return font;
}

}  // namespace brevant
