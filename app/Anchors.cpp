#include "app/Anchors.h"

#include <algorithm>

namespace brevant {

namespace {
// One axis: position and size for the change `delta` of the client's extent.
void Stretch(int& pos, int& size, int delta, bool nearEdge, bool farEdge) {
    if (farEdge && nearEdge) size = std::max(0, size + delta);
    else if (farEdge) pos += delta;
}
}  // namespace

QRect AnchoredRect(const QRect& design, unsigned anchors, QSize designClient, QSize client) {
    int x = design.x(), y = design.y(), w = design.width(), h = design.height();
    Stretch(x, w, client.width() - designClient.width(), anchors & akLeft, anchors & akRight);
    Stretch(y, h, client.height() - designClient.height(), anchors & akTop, anchors & akBottom);
    return QRect(x, y, w, h);
}

void TAnchorSet::Place(QWidget* control, const QRect& design, unsigned anchors) {
    entries_.push_back({control, design, anchors});
    control->setGeometry(design);
}

void TAnchorSet::Apply(QSize client) const {
    for (const Entry& e : entries_) e.control->setGeometry(AnchoredRect(e.design, e.anchors, designClient_, client));
}

}  // namespace brevant
