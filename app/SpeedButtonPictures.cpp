#include "app/SpeedButtonPictures.h"

#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>

namespace brevant {

namespace {

void OrangeArrow(QPainter& p) {
    const QPolygonF arrow{{1.5, 5.5}, {8.5, 5.5}, {8.5, 1.5}, {14.5, 8}, {8.5, 14.5}, {8.5, 10.5}, {1.5, 10.5}};
    QLinearGradient fill(0, 0, 0, 16);
    fill.setColorAt(0, QColor(0xFF, 0xB3, 0x47));
    fill.setColorAt(1, QColor(0xE8, 0x6A, 0x00));
    p.setPen(QPen(QColor(0xA8, 0x4A, 0x00), 1));
    p.setBrush(fill);
    p.drawPolygon(arrow);
}

void YellowFolder(QPainter& p) {
    p.setPen(QPen(QColor(0xB0, 0x80, 0x10), 1));
    p.setBrush(QColor(0xE8, 0xB8, 0x30));
    QPainterPath back;
    back.moveTo(1.5, 3.5);
    back.lineTo(6, 3.5);
    back.lineTo(7.5, 5);
    back.lineTo(14.5, 5);
    back.lineTo(14.5, 13.5);
    back.lineTo(1.5, 13.5);
    back.closeSubpath();
    p.drawPath(back);
    p.setBrush(QColor(0xFF, 0xD8, 0x5A));
    p.drawPolygon(QPolygonF{{1.5, 13.5}, {3.5, 7.5}, {15.5, 7.5}, {14.5, 13.5}});
}

void RecycleBin(QPainter& p) {
    const QColor edge(0x4A, 0x55, 0x60);
    p.setPen(QPen(edge, 1));
    p.setBrush(QColor(0xA9, 0xB6, 0xC0));
    p.drawPolygon(QPolygonF{{3.5, 4.5}, {12.5, 4.5}, {11.5, 14.5}, {4.5, 14.5}});
    p.drawLine(QPointF(6.5, 6.5), QPointF(6.8, 12.5));
    p.drawLine(QPointF(9.5, 6.5), QPointF(9.2, 12.5));
    p.setBrush(QColor(0x7D, 0x8B, 0x96));
    p.drawRect(QRectF(2.5, 2.5, 11, 2));
    p.drawRect(QRectF(6.5, 1, 3, 1.5));
}

void Picture(QPainter& p) {
    p.setPen(QPen(QColor(0x55, 0x55, 0x55), 1));
    p.setBrush(QColor(0x9C, 0xD3, 0xF5));
    p.drawRect(QRectF(1.5, 2.5, 13, 11));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xFF, 0xD7, 0x00));
    p.drawEllipse(QPointF(11, 5.8), 1.8, 1.8);
    p.setBrush(QColor(0x3C, 0x9A, 0x3C));
    p.drawPolygon(QPolygonF{{2, 13}, {6, 7}, {9, 10.5}, {10.5, 9}, {14, 13}});
}

void BlueBook(QPainter& p) {
    p.setPen(QPen(QColor(0x12, 0x3A, 0x80), 1));
    p.setBrush(QColor(0xF4, 0xF4, 0xEE));
    p.drawRect(QRectF(4.5, 2.5, 9, 12));  // the pages
    p.setBrush(QColor(0x2E, 0x6C, 0xD1));
    p.drawRect(QRectF(2.5, 1.5, 10, 12));  // the cover
    p.setBrush(QColor(0x1C, 0x4C, 0xA0));
    p.drawRect(QRectF(2.5, 1.5, 2, 12));  // the spine
    p.setPen(QPen(QColor(0xD6, 0xE4, 0xFF), 1));
    p.drawLine(QPointF(6.5, 4.5), QPointF(10.5, 4.5));
}

void RedDocument(QPainter& p) {
    QPainterPath page;
    page.moveTo(2.5, 0.5);
    page.lineTo(10, 0.5);
    page.lineTo(13.5, 4);
    page.lineTo(13.5, 15.5);
    page.lineTo(2.5, 15.5);
    page.closeSubpath();
    p.setPen(QPen(QColor(0x8A, 0x10, 0x10), 1));
    p.setBrush(Qt::white);
    p.drawPath(page);
    p.drawPolyline(QPolygonF{{10, 0.5}, {10, 4}, {13.5, 4}});
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xD3, 0x22, 0x22));
    p.drawRect(QRectF(1, 8, 11, 5));
    p.setPen(QPen(Qt::white, 1));
    p.drawLine(QPointF(3, 10.5), QPointF(10, 10.5));
}

}  // namespace

QPixmap SpeedButtonPicture(TPicture picture) {
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    switch (picture) {
        case TPicture::OrangeArrow: OrangeArrow(p); break;
        case TPicture::YellowFolder: YellowFolder(p); break;
        case TPicture::RecycleBin: RecycleBin(p); break;
        case TPicture::Picture: Picture(p); break;
        case TPicture::BlueBook: BlueBook(p); break;
        case TPicture::RedDocument: RedDocument(p); break;
    }
    return pixmap;
}

}  // namespace brevant
