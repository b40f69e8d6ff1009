#include "app/VisualStyle.h"

#include <QFile>
#include <QStyleFactory>

// The resources live in a static library: nothing would pull them into the program
// unless something calls their initialiser, which must be named outside any namespace.
static void InitResources() { Q_INIT_RESOURCE(brevant); }

namespace brevant {

bool ApplyVisualStyle(QApplication& app, const QString& resource) {
    InitResources();
    QFile file(resource);
    if (!file.open(QIODevice::ReadOnly)) return false;
    const QString sheet = QString::fromUtf8(file.readAll());
    if (sheet.trimmed().isEmpty()) return false;
    // The sheet is drawn on the toolkit's own cross-platform style, so it looks the same
    // on every desktop.
    if (QStyle* base = QStyleFactory::create(QStringLiteral("Fusion"))) app.setStyle(base);
    app.setStyleSheet(sheet);
    return true;
}

}  // namespace brevant
