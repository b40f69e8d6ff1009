#include "app/StatusPanels.h"

namespace brevant {

TStatusPanels::TStatusPanels(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("StatusBar1"));
    for (int i = 0; i < PanelCount; ++i) {
        auto* label = new QLabel(this);
        label->setObjectName(QStringLiteral("StatusPanel%1").arg(i));
        label->setAlignment(Qt::AlignCenter);
        label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        panels_[i] = label;
    }
    Arrange();
}

QString TStatusPanels::PanelText(int index) const { return panels_.at(index)->text(); }

void TStatusPanels::SetPanelText(int index, const QString& text) { panels_.at(index)->setText(text); }

int TStatusPanels::PanelWidth(int index) const { return widths_.at(index); }

void TStatusPanels::SetPanelWidth(int index, int width) {
    widths_.at(index) = width < 0 ? 0 : width;
    Arrange();
}

void TStatusPanels::Arrange() {
    int left = 0;
    for (int i = 0; i < PanelCount; ++i) {
        panels_[i]->setGeometry(left, 0, widths_[i], BarHeight);
        left += widths_[i];
    }
}

}  // namespace brevant
