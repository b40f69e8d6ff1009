#pragma once
// The main window's status bar: three panels with centred text along the bottom edge.

#include <QLabel>
#include <QString>
#include <QWidget>
#include <array>

namespace brevant {

/// Width of each panel for a main window `outerWidth` pixels wide (frame included):
/// (W - 40) div 3, the division truncating toward zero.
constexpr int StatusPanelWidth(int outerWidth) { return (outerWidth - 40) / 3; }

class TStatusPanels : public QWidget {
public:
    static constexpr int PanelCount = 3;
    static constexpr int BarHeight = 19;

    explicit TStatusPanels(QWidget* parent);

    QString PanelText(int index) const;
    void SetPanelText(int index, const QString& text);
    int PanelWidth(int index) const;
    /// Panels keep their width; the last one may reach past the right edge, as a
    /// panel row does.
    void SetPanelWidth(int index, int width);

private:
    void Arrange();
    std::array<QLabel*, PanelCount> panels_{};
    std::array<int, PanelCount> widths_{200, 200, 50};
};

}  // namespace brevant
