#include "app/CIconPainter.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <initializer_list>

namespace {

// Draws the application icon into a square of `size` pixels: a blue rounded
// square, a white speech bubble, and a fan of three dots for "many".
void PaintApp(QPainter& p, int size) {
    const qreal s = size / 64.0;
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient back(0, 0, 0, size);
    back.setColorAt(0, QColor(0x2F80ED));
    back.setColorAt(1, QColor(0x1A4FA0));
    p.setPen(Qt::NoPen);
    p.setBrush(back);
    p.drawRoundedRect(QRectF(2 * s, 2 * s, 60 * s, 60 * s), 12 * s, 12 * s);
    QPainterPath bubble;
    bubble.addRoundedRect(QRectF(10 * s, 12 * s, 44 * s, 30 * s), 8 * s, 8 * s);
    QPainterPath tail;
    tail.moveTo(18 * s, 40 * s);
    tail.lineTo(14 * s, 52 * s);
    tail.lineTo(28 * s, 41 * s);
    tail.closeSubpath();
    p.setBrush(Qt::white);
    p.drawPath(bubble.united(tail));
    p.setBrush(QColor(0x1A4FA0));
    for (const int x : {20, 32, 44}) {
        p.drawEllipse(QPointF(x * s, 27 * s), 3.6 * s, 3.6 * s);
    }
}

void PaintPage(QPainter& p, const QRectF& r, const QColor& fill) {
    p.setBrush(fill);
    p.drawRect(r);
}

void PaintGlyph(QPainter& p, CIconPainter::Glyph glyph) {
    // A 32 x 32 canvas.
    p.setRenderHint(QPainter::Antialiasing);
    const QColor ink(0x30, 0x30, 0x30);
    p.setPen(QPen(ink, 1.6));
    switch (glyph) {
        case CIconPainter::Glyph::New:
            PaintPage(p, QRectF(8, 4, 16, 24), Qt::white);
            p.setPen(QPen(QColor(0x2F80ED), 2.4));
            p.drawLine(QPointF(22, 2), QPointF(22, 10));
            p.drawLine(QPointF(18, 6), QPointF(26, 6));
            break;
        case CIconPainter::Glyph::Open:
            p.setBrush(QColor(0xF2C94C));
            p.drawRect(QRectF(4, 9, 24, 17));
            p.setBrush(QColor(0xF7DC7A));
            p.drawPolygon(
                QPolygonF({QPointF(4, 26), QPointF(9, 14), QPointF(30, 14), QPointF(28, 26)}));
            break;
        case CIconPainter::Glyph::Save:
            p.setBrush(QColor(0x3F6FB5));
            p.drawRoundedRect(QRectF(5, 5, 22, 22), 2, 2);
            p.setBrush(Qt::white);
            p.drawRect(QRectF(9, 5, 14, 9));
            p.setBrush(QColor(0xD0D0D0));
            p.drawRect(QRectF(10, 18, 12, 9));
            break;
        case CIconPainter::Glyph::Print:
            p.setBrush(Qt::white);
            p.drawRect(QRectF(10, 4, 12, 10));
            p.setBrush(QColor(0x9A9A9A));
            p.drawRoundedRect(QRectF(4, 13, 24, 11), 2, 2);
            p.setBrush(Qt::white);
            p.drawRect(QRectF(10, 20, 12, 8));
            break;
        case CIconPainter::Glyph::Paste:
            p.setBrush(QColor(0xB5835A));
            p.drawRoundedRect(QRectF(6, 6, 20, 23), 2, 2);
            p.setBrush(QColor(0xC8C8C8));
            p.drawRect(QRectF(11, 3, 10, 6));
            PaintPage(p, QRectF(14, 13, 13, 16), Qt::white);
            break;
        case CIconPainter::Glyph::Cut:
            p.setBrush(Qt::NoBrush);
            p.drawEllipse(QPointF(10, 24), 4, 4);
            p.drawEllipse(QPointF(22, 24), 4, 4);
            p.drawLine(QPointF(12, 21), QPointF(22, 4));
            p.drawLine(QPointF(20, 21), QPointF(10, 4));
            break;
        case CIconPainter::Glyph::Copy:
            PaintPage(p, QRectF(5, 4, 14, 18), Qt::white);
            PaintPage(p, QRectF(13, 10, 14, 18), Qt::white);
            break;
        case CIconPainter::Glyph::About:
            p.setBrush(QColor(0x2F80ED));
            p.setPen(Qt::NoPen);
            p.drawEllipse(QRectF(3, 3, 26, 26));
            p.setPen(QPen(Qt::white, 3.2, Qt::SolidLine, Qt::RoundCap));
            p.drawPoint(QPointF(16, 9.5));
            p.drawLine(QPointF(16, 15), QPointF(16, 23));
            break;
        case CIconPainter::Glyph::Share:
            p.setBrush(QColor(0x3B5998));
            p.setPen(Qt::NoPen);
            p.drawRoundedRect(QRectF(3, 3, 26, 26), 4, 4);
            p.setPen(QPen(Qt::white, 3.4));
            p.drawLine(QPointF(19, 29), QPointF(19, 12));
            p.drawArc(QRectF(19, 7, 8, 10), 90 * 16, 90 * 16);
            p.drawLine(QPointF(14, 17), QPointF(25, 17));
            break;
        case CIconPainter::Glyph::Help:
            p.setBrush(QColor(0x27AE60));
            p.setPen(Qt::NoPen);
            p.drawEllipse(QRectF(3, 3, 26, 26));
            p.setPen(QPen(Qt::white, 2.8, Qt::SolidLine, Qt::RoundCap));
            p.drawArc(QRectF(11, 8, 10, 9), 0, 180 * 16);
            p.drawLine(QPointF(21, 12.5), QPointF(16, 17));
            p.drawLine(QPointF(16, 17), QPointF(16, 19));
            p.drawPoint(QPointF(16, 24));
            break;
        case CIconPainter::Glyph::Export:
            PaintPage(p, QRectF(6, 4, 16, 24), Qt::white);
            p.setPen(QPen(QColor(0x27AE60), 1.4));
            for (const int y : {10, 15, 20}) {
                p.drawLine(QPointF(9, y), QPointF(19, y));
            }
            p.setPen(QPen(QColor(0x2F80ED), 2.6));
            p.drawLine(QPointF(18, 22), QPointF(29, 22));
            p.drawLine(QPointF(25, 18), QPointF(29, 22));
            p.drawLine(QPointF(25, 26), QPointF(29, 22));
            break;
    }
}

}  // namespace

QIcon CIconPainter::AppIcon() {
    QIcon icon;
    for (const int size : {16, 24, 32, 48, 64, 128, 256}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter p(&pixmap);
        PaintApp(p, size);
        p.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

QIcon CIconPainter::Command(Glyph glyph) {
    QIcon icon;
    for (const int size : {16, 32, 64}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter p(&pixmap);
        p.scale(size / 32.0, size / 32.0);
        PaintGlyph(p, glyph);
        p.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}
