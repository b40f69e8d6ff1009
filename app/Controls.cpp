#include "app/Controls.h"

#include <QPainter>
#include <QStyleOptionButton>
#include <QStylePainter>

namespace brevant {

void TWrapButton::paintEvent(QPaintEvent*) {
    QStylePainter p(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    const QString caption = option.text;
    option.text.clear();
    p.drawControl(QStyle::CE_PushButton, option);
    const QRect area = style()->subElementRect(QStyle::SE_PushButtonContents, &option, this);
    p.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::ButtonText));
    p.drawText(area, Qt::AlignCenter | Qt::TextWordWrap | Qt::TextShowMnemonic, caption);
}

QSize TFixedHeightItems::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const {
    return QSize(QStyledItemDelegate::sizeHint(option, index).width(), height_);
}

TPictureBox::TPictureBox(QWidget* parent) : QWidget(parent) {
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::white);
    setPalette(pal);
}

void TPictureBox::SetPicture(const QPixmap& picture) {
    picture_ = picture;
    update();
}

QRect TPictureBox::TargetRect() const {
    if (picture_.isNull()) return {};
    const QRect inside = rect().adjusted(1, 1, -1, -1);
    QRect target(QPoint(0, 0), picture_.size().scaled(inside.size(), Qt::KeepAspectRatio));
    target.moveCenter(inside.center());
    return target;
}

bool TPictureBox::SetPictureData(const QByteArray& bytes) {
    QPixmap picture;
    const bool ok = !bytes.isEmpty() && picture.loadFromData(bytes);
    SetPicture(ok ? picture : QPixmap());
    return ok;
}

void TPictureBox::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setPen(palette().color(QPalette::Mid));
    p.drawRect(rect().adjusted(0, 0, -1, -1));
    if (picture_.isNull()) return;
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.drawPixmap(TargetRect(), picture_);
}

}  // namespace brevant
