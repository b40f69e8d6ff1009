#pragma once
// Absolute placement with anchors: each control keeps its distance to the edges of
// the window it is anchored to. A control anchored left and right stretches with the
// window; one anchored only right moves with the right edge.

#include <QRect>
#include <QSize>
#include <QWidget>
#include <vector>

namespace brevant {

enum TAnchor : unsigned { akLeft = 1, akTop = 2, akRight = 4, akBottom = 8 };
inline constexpr unsigned akLeftTop = akLeft | akTop;
inline constexpr unsigned akAll = akLeft | akTop | akRight | akBottom;

/// The rectangle a control designed at `design` in a client area of `designClient`
/// takes in a client area of `client`. Sizes never go below zero.
QRect AnchoredRect(const QRect& design, unsigned anchors, QSize designClient, QSize client);

class TAnchorSet {
public:
    explicit TAnchorSet(QSize designClient) : designClient_(designClient) {}

    /// Places `control` at its design rectangle and keeps it anchored from now on.
    void Place(QWidget* control, const QRect& design, unsigned anchors = akLeftTop);
    /// Repositions every control for a new client size.
    void Apply(QSize client) const;

private:
    struct Entry {
        QWidget* control;
        QRect design;
        unsigned anchors;
    };
    QSize designClient_;
    std::vector<Entry> entries_;
};

}  // namespace brevant
