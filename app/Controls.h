#pragma once
// Small controls the windows need beyond the stock ones.

#include <QPixmap>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QWidget>

namespace brevant {

/// A push button whose caption wraps onto more lines when it does not fit.
class TWrapButton : public QPushButton {
public:
    TWrapButton(const QString& text, QWidget* parent) : QPushButton(text, parent) {}

protected:
    void paintEvent(QPaintEvent* event) override;
};

/// Items of a list drawn at one fixed height.
class TFixedHeightItems : public QStyledItemDelegate {
public:
    TFixedHeightItems(int height, QObject* parent) : QStyledItemDelegate(parent), height_(height) {}
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

private:
    int height_;
};

/// A picture box: shows its picture scaled to fit, proportions kept, centred.
class TPictureBox : public QWidget {
public:
    explicit TPictureBox(QWidget* parent);
    void SetPicture(const QPixmap& picture);
    /// The picture in `bytes` in any format the platform reads (JPEG and PNG among
    /// them); bytes that hold no such picture leave the box empty. False then.
    bool SetPictureData(const QByteArray& bytes);
    const QPixmap& Picture() const { return picture_; }
    /// Where the picture is drawn: as large as fits inside the border, proportions
    /// kept, centred; empty without a picture.
    QRect TargetRect() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QPixmap picture_;
};

}  // namespace brevant
